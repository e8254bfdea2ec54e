#pragma once

#include <juce_core/juce_core.h>

/** Reading XML that anyone may have edited or damaged: the UI settings, key cache and
    favourites files, and the text inside a saved state.

    JUCE's parser steps past the end of text that is not valid UTF-8, loops forever on a
    processing instruction ("<?...?>") followed by text inside an element, and when it
    parses a file it also reads any file the document's type declaration names (a device
    that never ends, say). So such text reads as no XML at all, and a file is read whole and
    parsed as text: nothing but its own bytes is ever read.
*/

/** True when JUCE's parser can safely be given the text: valid UTF-8 (up to the first 0
    byte, if any) with no processing instruction but a leading XML declaration. */
bool isSafeXmlText (const void* utf8, size_t size);

/** The document element of the text, or nothing when it does not parse. */
std::unique_ptr<juce::XmlElement> parseXmlText (const void* utf8, size_t size);

/** The document element of the file (UTF-8 with or without a byte order mark, or UTF-16
    with one), or nothing when it cannot be read or does not parse. */
std::unique_ptr<juce::XmlElement> parseXmlFile (const juce::File& file);
