#include "library/XmlFiles.h"

#include <limits>

namespace
{
bool startsWithUtf16ByteOrderMark (const juce::uint8* bytes, size_t size)
{
    return size >= 2 && ((bytes[0] == 0xff && bytes[1] == 0xfe) || (bytes[0] == 0xfe && bytes[1] == 0xff));
}
} // namespace

bool isValidUtf8 (const void* data, size_t size)
{
    return juce::CharPointer_UTF8::isValidString (static_cast<const char*> (data), (int) std::min (size, (size_t) std::numeric_limits<int>::max()));
}

std::unique_ptr<juce::XmlElement> parseXmlText (const void* utf8, size_t size)
{
    if (! isValidUtf8 (utf8, size))
        return {};

    return juce::parseXML (juce::String::fromUTF8 (static_cast<const char*> (utf8), (int) size));
}

std::unique_ptr<juce::XmlElement> parseXmlFile (const juce::File& file)
{
    juce::MemoryBlock bytes;

    if (! file.existsAsFile() || ! file.loadFileAsData (bytes) || bytes.getSize() > (size_t) std::numeric_limits<int>::max())
        return {};

    const auto* data = static_cast<const juce::uint8*> (bytes.getData());

    // UTF-16 is converted by JUCE into valid UTF-8; anything else must be valid UTF-8 already.
    if (startsWithUtf16ByteOrderMark (data, bytes.getSize()))
        return juce::parseXML (juce::String::createStringFromData (data, (int) bytes.getSize()));

    return parseXmlText (data, bytes.getSize());
}
