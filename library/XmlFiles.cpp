#include "library/XmlFiles.h"
#include "library/Utf8.h"

#include <cstring>
#include <limits>
#include <string_view>

namespace
{
bool startsWithUtf16ByteOrderMark (const juce::uint8* bytes, size_t size)
{
    return size >= 2 && ((bytes[0] == 0xff && bytes[1] == 0xfe) || (bytes[0] == 0xfe && bytes[1] == 0xff));
}

bool startsWithUtf8ByteOrderMark (const juce::uint8* bytes, size_t size)
{
    return size >= 3 && bytes[0] == 0xef && bytes[1] == 0xbb && bytes[2] == 0xbf;
}
} // namespace

bool isSafeXmlText (const void* utf8, size_t size)
{
    if (utf8 == nullptr || size == 0)
        return false;

    const auto* text = static_cast<const char*> (utf8);
    const auto length = std::min (size, (size_t) std::numeric_limits<int>::max());

    const std::string_view view (text, strnlen (text, length));

    if (! isWellFormedUtf8 (view.data(), view.size()))
        return false;

    auto rest = view.substr (std::min (view.size(), view.find_first_not_of (" \t\r\n")));

    if (rest.substr (0, 5) == "<?xml")
    {
        const auto end = rest.find ("?>");
        rest = end == std::string_view::npos ? std::string_view() : rest.substr (end + 2);
    }

    return rest.find ("<?") == std::string_view::npos;
}

std::unique_ptr<juce::XmlElement> parseXmlText (const void* utf8, size_t size)
{
    if (! isSafeXmlText (utf8, size))
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
    {
        const auto text = juce::String::createStringFromData (data, (int) bytes.getSize());
        return parseXmlText (text.toRawUTF8(), text.getNumBytesAsUTF8());
    }

    // A UTF-8 byte order mark (which several text editors write) is skipped, as JUCE's own
    // file parser does; the text after it gets the same checks as any other.
    if (startsWithUtf8ByteOrderMark (data, bytes.getSize()))
        return parseXmlText (data + 3, bytes.getSize() - 3);

    return parseXmlText (data, bytes.getSize());
}
