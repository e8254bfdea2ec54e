#include "library/KickDisplayName.h"
#include "library/Utf8.h"

#include <cstring>

namespace
{
const juce::String digits ("0123456789");

bool isAsciiLetter (juce::juce_wchar c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isAllDigits (const juce::String& text)
{
    return text.isNotEmpty() && text.containsOnly (digits);
}

/** A token such as "BD12" (letters then digits only) reads as a prefix. */
bool isLetterDigitTag (const juce::String& token)
{
    int letters = 0;

    while (letters < token.length() && isAsciiLetter (token[letters]))
        ++letters;

    return letters > 0 && isAllDigits (token.substring (letters));
}

/** True when every token is one of the words that only say "this is a kick". */
bool holdsOnlyGenericWords (const juce::StringArray& tokens)
{
    static const char* const genericWords[] = { "kick", "one", "shot", "oneshot" };

    for (const auto& token : tokens)
    {
        const auto isGeneric = std::any_of (std::begin (genericWords), std::end (genericWords), [&token] (const char* word)
                                            { return token.compareIgnoreCase (word) == 0; });

        if (! isGeneric)
            return false;
    }

    return true;
}

/** The name with every byte that starts no valid UTF-8 sequence replaced by U+FFFD. A
    file name is whatever bytes the file system holds, and JUCE's string operations
    read past the end of text that is not valid UTF-8. */
juce::String withValidUtf8 (const juce::String& name)
{
    const auto* bytes = name.toRawUTF8();
    const auto size = std::strlen (bytes);

    if (isWellFormedUtf8 (bytes, size))
        return name;

    juce::String repaired;

    for (size_t i = 0; i < size;)
    {
        size_t length = 1;

        while (length <= 4 && i + length <= size && ! isWellFormedUtf8 (bytes + i, length))
            ++length;

        if (length <= 4 && i + length <= size)
        {
            repaired += juce::String::fromUTF8 (bytes + i, (int) length);
            i += length;
        }
        else
        {
            repaired += juce::String::charToString ((juce::juce_wchar) 0xfffd);
            ++i;
        }
    }

    return repaired;
}
} // namespace

juce::String makeKickDisplayName (const juce::String& fileNameAsListed)
{
    const auto fileName = withValidUtf8 (fileNameAsListed);
    const auto lastDot = fileName.lastIndexOfChar ('.');
    const auto baseName = (lastDot >= 0 ? fileName.substring (0, lastDot) : fileName).trim();

    if (baseName.isEmpty())
        return fileName;

    juce::String prefix, body = baseName;

    const auto separator = baseName.indexOf (" - ");

    if (separator >= 1)
    {
        prefix = baseName.substring (0, separator).trim();
        body = baseName.substring (separator + 3).trim();
    }

    juce::StringArray tokens;
    tokens.addTokens (body, "_- \t", "");
    tokens.removeEmptyStrings (true);

    if (tokens.isEmpty())
        return baseName.toUpperCase();

    if (tokens[0].compareIgnoreCase ("VYL") == 0)
    {
        tokens.remove (0);

        if (tokens.isEmpty())
            return baseName.toUpperCase();
    }

    juce::String number;

    if (tokens.size() > 1 && isAllDigits (tokens[tokens.size() - 1]))
    {
        number = tokens[tokens.size() - 1];
        tokens.remove (tokens.size() - 1);
    }

    auto upperPrefix = prefix.toUpperCase();

    if (upperPrefix.isEmpty() && ! tokens.isEmpty() && isLetterDigitTag (tokens[0]))
    {
        upperPrefix = tokens[0].toUpperCase();
        tokens.remove (0);
    }

    auto name = tokens.joinIntoString (" ").toUpperCase().trim();

    if (holdsOnlyGenericWords (tokens) && name.containsIgnoreCase ("KICK"))
        name = "KICK";

    if (name.isEmpty())
        name = "KICK";

    juce::String suffix;

    if (number.isNotEmpty())
        suffix = " " + (number.length() == 1 ? "0" + number : number);

    if (upperPrefix.isNotEmpty())
        return upperPrefix + " - " + name + suffix;

    return name + suffix;
}
