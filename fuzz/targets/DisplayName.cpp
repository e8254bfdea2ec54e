// Kick file names are whatever the file system holds: the display name of any of them is
// made without fault, is never empty for a non-empty name, and does not change when made
// again.

#include "FuzzSupport.h"

#include "library/KickDisplayName.h"

#include <string>

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    zobfuzz::startProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    // As a directory listing hands names over: bytes up to the first 0. JUCE itself cannot
    // make a string of every name that is not valid UTF-8 without writing past its buffer,
    // so only valid names are fed here (the name's own repair is tested on its own).
    const std::string bytes (reinterpret_cast<const char*> (data), size);

    if (! juce::CharPointer_UTF8::isValidString (bytes.c_str(), (int) bytes.size()))
        return 0;

    const auto fileName = juce::String::fromUTF8 (bytes.c_str());
    const auto label = makeKickDisplayName (fileName);

    zobfuzz::check (fileName.isEmpty() || label.isNotEmpty(), "a name gives a label");
    zobfuzz::check (makeKickDisplayName (fileName) == label, "the same name gives the same label");
    return 0;
}
