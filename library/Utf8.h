#pragma once

#include <cstddef>

/** True when the bytes are well-formed UTF-8 as Unicode defines it: no stray continuation
    byte, no sequence cut short, no overlong form, no surrogate and nothing above U+10FFFF.

    File names and files are whatever bytes they hold, and JUCE sizes a string by the
    characters it decodes while copying UTF-8 byte by byte: an overlong form of 0 ("\xc0\x80")
    ends the count early and the copy runs past the string's end. JUCE's own check
    (CharPointer_UTF8::isValidString) lets overlong forms through, so outside bytes must pass
    this one before they become a juce::String. Any thread. */
bool isWellFormedUtf8 (const char* bytes, size_t size) noexcept;
