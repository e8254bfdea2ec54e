#include "library/XmlFiles.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstring>

TEST (XmlFiles, TextThatIsNotUtf8ReadsAsNothing)
{
    zobtest::ScopedTempHome home;
    const auto file = home.temp().getChildFile ("settings.xml");

    // A lead byte whose following bytes are missing: JUCE's parser would step past the end.
    const char broken[] = "<ZOB_UI uiScale=\"0.75\" \xf1\xf1\xf1";
    ASSERT_TRUE (file.replaceWithData (broken, sizeof (broken) - 1));
    EXPECT_EQ (parseXmlFile (file), nullptr);
    EXPECT_EQ (parseXmlText (broken, sizeof (broken) - 1), nullptr);

    // Valid UTF-8 and UTF-16 files still parse.
    ASSERT_TRUE (file.replaceWithText (juce::String::fromUTF8 ("<ZOB_UI name=\"K\xc3\xbc"
                                                               "ck\"/>")));
    ASSERT_NE (parseXmlFile (file), nullptr);
    EXPECT_EQ (parseXmlFile (file)->getStringAttribute ("name"), juce::String::fromUTF8 ("K\xc3\xbc"
                                                                                         "ck"));

    ASSERT_TRUE (file.replaceWithText ("<ZOB_UI uiScale=\"0.75\"/>", true, true));
    ASSERT_NE (parseXmlFile (file), nullptr);
    EXPECT_EQ (parseXmlFile (file)->getStringAttribute ("uiScale"), juce::String ("0.75"));

    EXPECT_EQ (parseXmlFile (home.temp().getChildFile ("missing.xml")), nullptr);
    EXPECT_EQ (parseXmlFile (home.temp()), nullptr);
}

TEST (XmlFiles, NothingButTheFileItselfIsRead)
{
    zobtest::ScopedTempHome home;
    const auto outside = home.temp().getChildFile ("outside.dtd");
    ASSERT_TRUE (outside.replaceWithText ("<!ENTITY secret \"read from outside\">"));

    const auto file = home.temp().getChildFile ("favorites.xml");
    ASSERT_TRUE (file.replaceWithText ("<!DOCTYPE ZOB_FAVORITES SYSTEM \"" + outside.getFullPathName()
                                       + "\"><ZOB_FAVORITES><Favorite id=\"&secret;\"/></ZOB_FAVORITES>"));

    // JUCE's own file parser follows the declaration to the other file.
    const auto followed = juce::parseXML (file);
    ASSERT_NE (followed, nullptr);
    EXPECT_EQ (followed->getFirstChildElement()->getStringAttribute ("id"), juce::String ("read from outside"));

    const auto root = parseXmlFile (file);
    const auto id = root != nullptr && root->getFirstChildElement() != nullptr ? root->getFirstChildElement()->getStringAttribute ("id") : juce::String();
    EXPECT_FALSE (id.contains ("outside"));
}

TEST (XmlFiles, ProcessingInstructionsBeyondTheDeclarationReadAsNothing)
{
    // JUCE's parser never returns from an instruction followed by text inside an element.
    const char looping[] = "<?xml version=\"1.0\"?>\n<ZOB_UI uiScale=\"1.0\"><?x?>text</ZOB_UI>";
    EXPECT_EQ (parseXmlText (looping, sizeof (looping) - 1), nullptr);

    const char declared[] = "  <?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<ZOB_UI uiScale=\"0.75\"/>\r\n";
    ASSERT_NE (parseXmlText (declared, sizeof (declared) - 1), nullptr);
    EXPECT_TRUE (isSafeXmlText (declared, sizeof (declared) - 1));
}

TEST (XmlFiles, AUtf8ByteOrderMarkIsSkippedAsJuceSkipsIt)
{
    zobtest::ScopedTempHome home;
    const auto file = home.temp().getChildFile ("settings.xml");
    const auto withByteOrderMark = [] (const char* text)
    {
        juce::MemoryBlock bytes ("\xef\xbb\xbf", 3);
        bytes.append (text, std::strlen (text));
        return bytes;
    };

    for (const char* text : { "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<ZOB_UI uiScale=\"0.75\"/>\r\n",
                              "<ZOB_UI uiScale=\"0.75\"/>" })
    {
        const auto bytes = withByteOrderMark (text);
        ASSERT_TRUE (file.replaceWithData (bytes.getData(), bytes.getSize()));
        ASSERT_NE (juce::parseXML (file), nullptr) << text; // what JUCE's own file parser gives
        const auto root = parseXmlFile (file);
        ASSERT_NE (root, nullptr) << text;
        EXPECT_EQ (root->getTagName(), juce::String ("ZOB_UI"));
        EXPECT_EQ (root->getStringAttribute ("uiScale"), juce::String ("0.75"));
    }

    // Behind the mark the same checks hold: broken UTF-8 and stray instructions read as nothing.
    for (const char* text : { "<ZOB_UI uiScale=\"0.75\" \xf1\xf1\xf1", "<?xml version=\"1.0\"?><ZOB_UI><?x?>text</ZOB_UI>" })
    {
        const auto bytes = withByteOrderMark (text);
        ASSERT_TRUE (file.replaceWithData (bytes.getData(), bytes.getSize()));
        EXPECT_EQ (parseXmlFile (file), nullptr) << text;
    }
}
