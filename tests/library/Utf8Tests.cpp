#include "library/Utf8.h"

#include <gtest/gtest.h>

#include <string>

TEST (Utf8, OnlyWellFormedTextPasses)
{
    struct Case
    {
        std::string bytes;
        bool wellFormed;
    };

    const Case cases[] = {
        { "", true },
        { "Kick 01.wav", true },
        { "Caf\xc3\xa9", true }, // U+00E9
        { "\xe2\x82\xac", true }, // U+20AC
        { "\xef\xbf\xbf", true }, // U+FFFF
        { "\xf0\x9f\xa5\x81", true }, // U+1F941
        { "\xf4\x8f\xbf\xbf", true }, // U+10FFFF, the last
        { std::string ("a\0b", 3), true },
        { "\xc0\x80", false }, // overlong 0: JUCE counts it as the end
        { "\xc1\xbf", false }, // overlong
        { "\xe0\x80\x80", false }, // overlong
        { "\xf0\x80\x80\x80", false }, // overlong
        { "\xed\xa0\x80", false }, // a surrogate
        { "\xf4\x90\x80\x80", false }, // beyond U+10FFFF
        { "\xf5\x80\x80\x80", false },
        { "\xff", false },
        { "\x80", false }, // a stray continuation byte
        { "Caf\xe9", false }, // Latin-1
        { "\xc3", false }, // cut short
        { "\xe2\x82", false },
        { "\xe2\x82"
          "A",
          false },
    };

    for (const auto& c : cases)
        EXPECT_EQ (isWellFormedUtf8 (c.bytes.data(), c.bytes.size()), c.wellFormed) << testing::PrintToString (c.bytes);

    EXPECT_TRUE (isWellFormedUtf8 (nullptr, 0));
    EXPECT_FALSE (isWellFormedUtf8 (nullptr, 1));
}
