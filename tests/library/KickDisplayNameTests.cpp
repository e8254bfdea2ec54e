#include "library/KickDisplayName.h"

#include <gtest/gtest.h>

#include <cstring>

TEST (KickDisplayName, TurnsLibraryFileNamesIntoLabels)
{
    struct Case
    {
        const char* fileName;
        const char* label;
    };

    const Case cases[] = {
        // maker tag dropped, number padded to two digits
        { "VYL_Kick_Deep_05.wav", "KICK DEEP 05" },
        { "vyl_Punchy_3.wav", "PUNCHY 03" },
        { "VYL 808 Boom 2.wav", "808 BOOM 02" },
        // " - " splits off the prefix; later ones stay in the body
        { "Garage - Kick 7.wav", "GARAGE - KICK 07" },
        { "Garage - One Shot Kick.wav", "GARAGE - KICK" },
        { "Garage - One Shot.wav", "GARAGE - ONE SHOT" },
        { "Dry - Low - Sub.wav", "DRY - LOW SUB" },
        { " - Kick.wav", "KICK" },
        // a letters-then-digits first token becomes the prefix
        { "BD12 Deep.wav", "BD12 - DEEP" },
        { "BD01.wav", "BD01 - KICK" },
        { "BD12a Deep.wav", "BD12A DEEP" },
        { "Garage - BD12 Deep.wav", "GARAGE - BD12 DEEP" },
        // only the last of several tokens can be the number
        { "Kick 12.wav", "KICK 12" },
        { "Kick 0012.wav", "KICK 0012" },
        { "Tight 1 2.wav", "TIGHT 1 02" },
        { "Kick 3 Deep.wav", "KICK 3 DEEP" },
        { "12.wav", "12" },
        // generic words collapse to KICK only when nothing else is there
        { "Kick One Shot.wav", "KICK" },
        { "Kick.wav", "KICK" },
        { "kick_oneshot.aif", "KICK" },
        { "Deep Kick.wav", "DEEP KICK" },
        { "Sub-Kick 9.wav", "SUB KICK 09" },
        { "One Shot.wav", "ONE SHOT" },
        // degenerate names
        { ".wav", ".wav" },
        { "  .wav", "  .wav" },
        { "VYL.wav", "VYL" },
        { "Garage - VYL.wav", "GARAGE - VYL" },
        { "___.wav", "___" },
        { "Deep - .wav", "DEEP" },
        { "no extension", "NO EXTENSION" },
        { "Tab\tSeparated\t4.wav", "TAB SEPARATED 04" },
        { "kick.wav.bak", "KICK.WAV" },
        // An encoded surrogate (as a damaged name or stored path can hold) is three bytes
        // that start no character: each becomes U+FFFD. Whole characters around it, four-byte
        // ones included, stay as they are, also as the last bytes of the name (letters outside
        // ASCII keep their case, as JUCE upper-cases them here).
        { "Kick \xf0\x9f\xa5\x81 \xed\xa0\x80 7.wav", "KICK \xf0\x9f\xa5\x81 \xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd 07" },
        { "Boom \xed\xa0\x80 \xf0\x9f\xa5\x81", "BOOM \xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd \xf0\x9f\xa5\x81" },
        { "Caf\xc3\xa9 \xe2\x82\xac\xed\xa0\x80"
          "2.wav",
          "CAF\xc3\xa9 \xe2\x82\xac\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"
          "2" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (makeKickDisplayName (juce::String::fromUTF8 (c.fileName)), juce::String::fromUTF8 (c.label)) << c.fileName;
}

TEST (KickDisplayName, NamesThatAreNotValidUtf8StillGiveALabel)
{
    // A directory listing hands over whatever bytes a name holds.
    const auto label = makeKickDisplayName (juce::String::fromUTF8 ("Deep\xf1\xf1 Kick_\xff"
                                                                    "07.wav"));
    EXPECT_TRUE (juce::CharPointer_UTF8::isValidString (label.toRawUTF8(), (int) std::strlen (label.toRawUTF8())));
    EXPECT_TRUE (label.startsWith ("DEEP")) << label;
}
