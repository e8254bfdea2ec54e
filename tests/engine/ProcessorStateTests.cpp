#include "StateTestSupport.h"
#include "engine/ProcessorState.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace statetest;

namespace
{
constexpr auto valueTolerance = 1.0e-6f;

std::unique_ptr<juce::XmlElement> xmlOfBlob (const juce::MemoryBlock& block)
{
    return juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());
}

juce::StringArray attributeNames (const juce::XmlElement& element)
{
    juce::StringArray names;

    for (int i = 0; i < element.getNumAttributes(); ++i)
        names.add (element.getAttributeName (i));

    return names;
}

juce::String uiFileText() { return ZobAudioProcessor::getUiSettingsFile().loadFileAsString(); }

juce::String uiFileWith (const juce::String& element)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n" + element + "\r\n";
}
} // namespace

//==============================================================================
TEST (SavedState, IsBinaryXmlWithTheRootAttributesInOrder)
{
    zobtest::ScopedTempHome home;
    ZobAudioProcessor processor;
    ASSERT_EQ (processor.loadedSample.buffer.getNumSamples(), 0) << "this test wants a processor without a kick";
    processor.samplePath = "/somewhere/kick.wav"; // a path without a loaded kick is not written

    const auto block = stateOf (processor);
    ASSERT_GT (block.getSize(), 9u);
    EXPECT_EQ (juce::String (static_cast<const char*> (block.getData()), 4), "VC2!");
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (static_cast<const char*> (block.getData()) + 4), (juce::uint32) block.getSize() - 9);

    const auto xml = xmlOfBlob (block);
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getTagName(), "PARAMETERS");
    EXPECT_EQ (attributeNames (*xml), juce::StringArray ({ "uiScale", "uiDarkMode", "showTooltips", "lengthCurve" }));
    EXPECT_EQ (xml->getStringAttribute ("uiScale"), "1.0");
    EXPECT_EQ (xml->getStringAttribute ("uiDarkMode"), "0");
    EXPECT_EQ (xml->getStringAttribute ("showTooltips"), "1");
    EXPECT_EQ (xml->getStringAttribute ("lengthCurve"), "3");

    juce::StringArray ids;

    for (auto* param : xml->getChildWithTagNameIterator ("PARAM"))
        ids.add (param->getStringAttribute ("id"));

    EXPECT_EQ (ids.size(), 6);

    for (const auto* id : { &ParameterIds::transientAmount, &ParameterIds::punchAmount, &ParameterIds::lengthAmount, &ParameterIds::toneAmount, &ParameterIds::tuneSemitones, &ParameterIds::outputGainDb })
        EXPECT_TRUE (ids.contains (*id)) << *id;
}

TEST (SavedState, RoundTripsBetweenTwoProcessors)
{
    zobtest::ScopedTempHome home;
    const auto kick = home.home().getChildFile ("Kicks").getChildFile ("Round Trip.wav");
    ASSERT_TRUE (writeKick (kick, 60.0, 3000));

    ZobAudioProcessor source;
    ASSERT_TRUE (source.loadSample (kick));
    const std::array<float, 6> values { 0.25f, 0.5f, 0.75f, -0.5f, -12.0f, 3.0f };
    setValues (source, values);
    source.uiScale = 0.75f;
    source.uiDarkMode = true;
    source.showTooltips = false;

    const auto block = stateOf (source);
    EXPECT_EQ (xmlOfBlob (block)->getStringAttribute ("samplePath"), kick.getFullPathName());
    EXPECT_EQ (attributeNames (*xmlOfBlob (block)), juce::StringArray ({ "samplePath", "uiScale", "uiDarkMode", "showTooltips", "lengthCurve" }));

    ZobAudioProcessor target;
    target.pushUndoSnapshot();
    target.pushUndoSnapshot();
    ASSERT_TRUE (target.undo());
    restore (target, block);

    const auto restored = rawValues (target);

    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_NEAR (restored[i], values[i], valueTolerance) << "value " << i;

    EXPECT_EQ (target.samplePath, kick.getFullPathName());
    EXPECT_EQ (target.loadedSample.fileName, "Round Trip.wav");
    EXPECT_EQ (target.loadedSample.buffer.getNumSamples(), 3000);
    EXPECT_FLOAT_EQ (target.uiScale, 0.75f);
    EXPECT_TRUE (target.uiDarkMode);
    EXPECT_FALSE (target.showTooltips);
    EXPECT_TRUE (target.undoStack.empty());
    EXPECT_TRUE (target.redoStack.empty());

    // Saving the restored processor gives the same blob back.
    EXPECT_EQ (stateOf (target), block);

    // The restore leaves the UI settings file alone.
    EXPECT_FALSE (ZobAudioProcessor::getUiSettingsFile().exists());
}

TEST (SavedState, UnreadableBlobsChangeNothing)
{
    zobtest::ScopedTempHome home;
    ZobAudioProcessor processor;
    const std::array<float, 6> values { 0.1f, 0.2f, 0.3f, 0.4f, -6.0f, -2.0f };

    juce::MemoryBlock valid;
    {
        ZobAudioProcessor other;
        setValues (other, { 0.9f, 0.9f, 0.9f, -0.9f, 6.0f, 9.0f });
        valid = stateOf (other);
    }

    struct Case
    {
        const char* name;
        juce::MemoryBlock block;
    };

    std::vector<Case> cases;
    cases.push_back ({ "empty", {} });
    cases.push_back ({ "garbage", juce::MemoryBlock ("this is no state at all, just words", 35) });
    cases.push_back ({ "magic only", juce::MemoryBlock ("VC2!\0\0\0\0", 8) });
    cases.push_back ({ "zero length", juce::MemoryBlock ("VC2!\0\0\0\0<PARAMETERS/>", 21) });
    cases.push_back ({ "plain XML without the wrapper", juce::MemoryBlock ("<PARAMETERS lengthCurve=\"3\"/>", 29) });

    // Cut anywhere before its end (the last byte is the text's terminating zero).
    for (size_t size = 1; size + 1 < valid.getSize(); ++size)
        cases.push_back ({ "truncated", juce::MemoryBlock (valid.getData(), size) });

    int notices = 0;
    processor.onStateRestored = [&notices]
    { ++notices; };

    for (const auto& testCase : cases)
    {
        setValues (processor, values);
        processor.undoStack.clear();
        processor.pushUndoSnapshot();

        restore (processor, testCase.block);
        runPendingMessages();

        const auto after = rawValues (processor);

        for (size_t i = 0; i < values.size(); ++i)
            EXPECT_NEAR (after[i], values[i], valueTolerance) << testCase.name << " " << testCase.block.getSize() << ", value " << i;

        EXPECT_EQ (processor.undoStack.size(), 1u) << testCase.name;
    }

    processor.setStateInformation (nullptr, 100);
    runPendingMessages();
    EXPECT_EQ (notices, 0);
}

TEST (SavedState, HandEditedStatesRestoreWhatTheyHold)
{
    zobtest::ScopedTempHome home;
    ZobAudioProcessor processor;
    setValues (processor, { 0.1f, 0.2f, 0.3f, 0.4f, -6.0f, -2.0f });
    processor.uiDarkMode = true;
    processor.showTooltips = false;

    // No TUNE entry (it takes its default, as for a state older than a parameter), no
    // dark-mode or tooltip attributes (the switches stay), a scale not offered (1.0).
    restore (processor,
             blobOf ("<PARAMETERS uiScale=\"0.8\" lengthCurve=\"3\">"
                     + paramXml (ParameterIds::transientAmount, "0.6") + paramXml (ParameterIds::punchAmount, "0.7")
                     + paramXml (ParameterIds::lengthAmount, "0.5") + paramXml (ParameterIds::toneAmount, "-1")
                     + paramXml (ParameterIds::outputGainDb, "-24") + "</PARAMETERS>"));

    const auto after = rawValues (processor);
    const std::array<float, 6> expected { 0.6f, 0.7f, 0.5f, -1.0f, -24.0f, 0.0f };

    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR (after[i], expected[i], valueTolerance) << "value " << i;

    EXPECT_FLOAT_EQ (processor.uiScale, 1.0f);
    EXPECT_TRUE (processor.uiDarkMode);
    EXPECT_FALSE (processor.showTooltips);

    // Values beyond the ranges are held at their ends.
    restore (processor, blobOf ("<PARAMETERS lengthCurve=\"3\" uiScale=\"0.75\" showTooltips=\"1\">" + paramXml (ParameterIds::punchAmount, "7") + paramXml (ParameterIds::tuneSemitones, "-40") + "</PARAMETERS>"));
    EXPECT_FLOAT_EQ (processor.getParameterValue (ParameterIds::punchAmount, -1.0f), 1.0f);
    EXPECT_FLOAT_EQ (processor.getParameterValue (ParameterIds::tuneSemitones, 0.0f), -12.0f);
    EXPECT_FLOAT_EQ (processor.uiScale, 0.75f);
    EXPECT_TRUE (processor.showTooltips);

    // A value that is no number takes the default (the parameters would hold NaN), also
    // through the LENGTH migration; infinities are held at the ends like other values.
    restore (processor, blobOf ("<PARAMETERS lengthCurve=\"1\">" + paramXml (ParameterIds::outputGainDb, "nan") + paramXml (ParameterIds::lengthAmount, "nan") + paramXml (ParameterIds::tuneSemitones, "-inf") + "</PARAMETERS>"));
    EXPECT_FLOAT_EQ (processor.getParameterValue (ParameterIds::outputGainDb, -99.0f), 0.0f);
    EXPECT_FLOAT_EQ (processor.getParameterValue (ParameterIds::tuneSemitones, 0.0f), -12.0f);
    EXPECT_TRUE (std::isfinite (processor.getParameterValue (ParameterIds::lengthAmount, std::nanf (""))));

    // Any root tag is read, and the next save writes the state's own root again.
    restore (processor, blobOf ("<Other lengthCurve=\"3\">" + paramXml (ParameterIds::punchAmount, "0.25") + "</Other>"));
    EXPECT_FLOAT_EQ (processor.getParameterValue (ParameterIds::punchAmount, -1.0f), 0.25f);
    const auto saved = stateOf (processor);
    EXPECT_TRUE (juce::AudioProcessor::getXmlFromBinary (saved.getData(), (int) saved.getSize())->hasTagName ("PARAMETERS"));
}

TEST (SavedState, KeepsTheCurrentKickWhenTheStoredOneCannotBeLoaded)
{
    zobtest::ScopedTempHome home;
    const auto kicks = home.home().getChildFile ("Kicks");
    const auto current = kicks.getChildFile ("Current.wav");
    const auto deleted = kicks.getChildFile ("Deleted.wav");
    const auto notAudio = kicks.getChildFile ("Notes.wav");
    ASSERT_TRUE (writeKick (current, 50.0, 2000));
    ASSERT_TRUE (writeKick (deleted));
    ASSERT_TRUE (notAudio.replaceWithText ("not a wave file"));
    ASSERT_TRUE (deleted.deleteFile());

    // A relative path must not be resolved against the working folder, where a kick of
    // that name exists.
    const ScopedWorkingDirectory workingFolder (home.home());
    ASSERT_TRUE (writeKick (home.home().getChildFile ("zob-relative-kick.wav")));

    const juce::StringArray storedPaths { deleted.getFullPathName(), kicks.getFullPathName(), notAudio.getFullPathName(), "zob-relative-kick.wav", "./zob-relative-kick.wav", "" };

    ZobAudioProcessor processor;
    ASSERT_TRUE (processor.loadSample (current));

    int notices = 0;
    processor.onStateRestored = [&notices]
    { ++notices; };

    for (const auto& storedPath : storedPaths)
    {
        processor.pushUndoSnapshot();
        processor.setParameterWithGesture (ParameterIds::punchAmount, 0.0f);

        juce::XmlElement state ("PARAMETERS");
        state.setAttribute ("lengthCurve", 3);

        if (storedPath.isNotEmpty())
            state.setAttribute ("samplePath", storedPath);

        auto* punch = state.createNewChildElement ("PARAM");
        punch->setAttribute ("id", ParameterIds::punchAmount);
        punch->setAttribute ("value", 0.5);
        juce::MemoryBlock block;
        juce::AudioProcessor::copyXmlToBinary (state, block);

        const auto noticesBefore = notices;
        restore (processor, block);
        EXPECT_EQ (notices, noticesBefore) << "the notice is asynchronous";
        runPendingMessages();

        EXPECT_EQ (processor.samplePath, current.getFullPathName()) << storedPath;
        EXPECT_EQ (processor.loadedSample.fileName, "Current.wav") << storedPath;
        EXPECT_EQ (processor.loadedSample.buffer.getNumSamples(), 2000) << storedPath;
        EXPECT_FLOAT_EQ (processor.getParameterValue (ParameterIds::punchAmount, -1.0f), 0.5f) << storedPath;
        EXPECT_TRUE (processor.undoStack.empty()) << storedPath;
        EXPECT_EQ (notices, noticesBefore + 1) << storedPath;
    }
}

TEST (SavedState, AProcessorWithoutAKickDoesNotResaveAStalePath)
{
    zobtest::ScopedTempHome home;
    ZobAudioProcessor processor;
    ASSERT_EQ (processor.loadedSample.buffer.getNumSamples(), 0);

    restore (processor, blobOf ("<PARAMETERS samplePath=\"" + home.home().getChildFile ("gone.wav").getFullPathName() + "\" uiScale=\"1.0\" uiDarkMode=\"0\" showTooltips=\"1\" lengthCurve=\"2\"/>"));

    const auto saved = xmlOfBlob (stateOf (processor));
    ASSERT_NE (saved, nullptr);
    EXPECT_FALSE (saved->hasAttribute ("samplePath"));
    EXPECT_EQ (saved->getStringAttribute ("lengthCurve"), "3");
    EXPECT_EQ (attributeNames (*saved), juce::StringArray ({ "uiScale", "uiDarkMode", "showTooltips", "lengthCurve" }));
}

TEST (SavedState, TheRestoredNoticeFindsOnlyALivingProcessor)
{
    zobtest::ScopedTempHome home;
    int notices = 0;

    juce::MemoryBlock block;
    {
        ZobAudioProcessor processor;
        block = stateOf (processor);
        processor.onStateRestored = [&notices]
        { ++notices; };
        restore (processor, block);
        restore (processor, block);
    }

    runPendingMessages(); // both notices find the processor gone
    EXPECT_EQ (notices, 0);

    ZobAudioProcessor processor;
    restore (processor, block); // posted before anyone listens; delivered to whoever listens then
    processor.onStateRestored = [&notices]
    { ++notices; };
    runPendingMessages();
    EXPECT_EQ (notices, 1);

    processor.onStateRestored = nullptr;
    restore (processor, block);
    runPendingMessages();
    EXPECT_EQ (notices, 1);
}

//==============================================================================
TEST (LengthCurveMigration, ConvertsOlderStatesToTheCurrentCurve)
{
    struct Case
    {
        const char* version; // nullptr: no lengthCurve attribute
        const char* stored; // nullptr: no value attribute
        float expected;
    };

    const Case cases[] {
        { nullptr, "0.5", 0.4847003f }, // stage value 1
        { nullptr, "0.25", 0.21779762f },
        { "1", "0.5", 0.4847003f },
        { "0", "0.5", 0.4847003f }, // every version below 2 reads as 1
        { "2", "0.9", 0.4847003f },
        { "2", "0.5", 0.110485f },
        { "2", "0.95", 0.6530972f }, // stage value 2
        { "3", "0.5", 0.5f },
        { "7", "0.5", 0.5f },
        { nullptr, "0.9996", 1.0f }, // the envelope was off, and stays off
        { "2", "0.9996", 1.0f },
        { nullptr, "0.9995", 1.0f }, // exactly at the off threshold
        { "2", "0.9995", 1.0f },
        { nullptr, "0.99949992", 0.99939996f }, // the float just below it: the envelope was on
        { "2", "0.99949992", 0.9975996f },
        { "2", "4", 1.0f },
        { nullptr, nullptr, 1.0f },
        { nullptr, "-0.5", 0.0f },
        { nullptr, "0.999", 0.99939996f }, // the longest a converted value may be
    };

    for (const auto& testCase : cases)
    {
        juce::XmlElement state ("PARAMETERS");

        if (testCase.version != nullptr)
            state.setAttribute ("lengthCurve", testCase.version);

        for (const auto* id : { &ParameterIds::punchAmount, &ParameterIds::lengthAmount, &ParameterIds::lengthAmount })
        {
            auto* param = state.createNewChildElement ("PARAM");
            param->setAttribute ("id", *id);

            if (testCase.stored != nullptr)
                param->setAttribute ("value", testCase.stored);
        }

        ZobAudioProcessor::migrateLengthCurve (state);

        const auto label = juce::String (testCase.version != nullptr ? testCase.version : "absent") + " / "
                           + (testCase.stored != nullptr ? testCase.stored : "absent");
        const auto* punch = state.getChildElement (0);
        const auto* length = state.getChildElement (1);
        const auto* secondLength = state.getChildElement (2);

        EXPECT_NEAR ((float) length->getDoubleAttribute ("value", -1.0), testCase.expected, 2.0e-7f) << label;
        EXPECT_EQ (punch->getStringAttribute ("value"), juce::String (testCase.stored)) << label << ": only LENGTH is converted";
        EXPECT_EQ (secondLength->getStringAttribute ("value"), juce::String (testCase.stored)) << label << ": only the first LENGTH";
        EXPECT_EQ (state.getStringAttribute ("lengthCurve"), juce::String (testCase.version)) << label;
    }
}

TEST (LengthCurveMigration, RunsWhenAnOlderStateIsRestored)
{
    zobtest::ScopedTempHome home;
    ZobAudioProcessor processor;
    restore (processor, blobOf ("<PARAMETERS>" + paramXml (ParameterIds::lengthAmount, "0.5") + "</PARAMETERS>"));
    EXPECT_NEAR (processor.getParameterValue (ParameterIds::lengthAmount, -1.0f), 0.4847003f, valueTolerance);

    EXPECT_EQ (xmlOfBlob (stateOf (processor))->getStringAttribute ("lengthCurve"), "3");
}

//==============================================================================
TEST (UiSettings, SnapsTheScaleToTheOffer)
{
    const std::pair<float, float> cases[] { { 0.75f, 0.75f }, { 1.0f, 1.0f }, { 0.8f, 1.0f }, { 0.5f, 1.0f }, { 2.0f, 1.0f }, { 0.0f, 1.0f }, { -0.75f, 1.0f }, { std::nanf (""), 1.0f } };

    for (const auto& [given, expected] : cases)
        EXPECT_EQ (snapUiScale (given), expected) << given;
}

TEST (UiSettings, FilesLiveInTheUserFolder)
{
    zobtest::ScopedTempHome home;
    EXPECT_EQ (ZobAudioProcessor::getUiSettingsFile(), home.userFolder().getChildFile ("ui.xml"));
    EXPECT_EQ (ZobAudioProcessor::getKeyCacheFile(), home.userFolder().getChildFile ("keycache.xml"));
}

TEST (UiSettings, SettersWriteTheFileOnlyWhenASettingChanges)
{
    zobtest::ScopedTempHome home;
    ZobAudioProcessor processor;
    const auto file = ZobAudioProcessor::getUiSettingsFile();

    struct Step
    {
        const char* name;
        std::function<void()> change;
        const char* expectedFile; // nullptr: the file is not written
    };

    const Step steps[] {
        { "scale unchanged", [&]
          { processor.setUiScale (1.0f); },
          nullptr },
        { "scale 0.8 snaps to the unchanged 1.0", [&]
          { processor.setUiScale (0.8f); },
          nullptr },
        { "dark mode unchanged", [&]
          { processor.setUiDarkMode (false); },
          nullptr },
        { "tooltips unchanged", [&]
          { processor.setShowTooltips (true); },
          nullptr },
        { "scale 0.75", [&]
          { processor.setUiScale (0.75f); },
          "<ZOB_UI uiScale=\"0.75\"/>" },
        { "scale 0.75 again", [&]
          { processor.setUiScale (0.75f); },
          nullptr },
        { "dark mode on", [&]
          { processor.setUiDarkMode (true); },
          "<ZOB_UI uiScale=\"0.75\" uiDarkMode=\"1\"/>" },
        { "tooltips off", [&]
          { processor.setShowTooltips (false); },
          "<ZOB_UI uiScale=\"0.75\" uiDarkMode=\"1\" showTooltips=\"0\"/>" },
        { "scale 0.8 snaps to 1.0", [&]
          { processor.setUiScale (0.8f); },
          "<ZOB_UI uiScale=\"1.0\" uiDarkMode=\"1\" showTooltips=\"0\"/>" },
        { "tooltips off again", [&]
          { processor.setShowTooltips (false); },
          nullptr },
    };

    // A write shows as a file that appears, or that is newer than the date it was set to.
    const juce::Time longAgo (2001, 0, 1, 0, 0);

    for (const auto& step : steps)
    {
        if (file.exists())
        {
            ASSERT_TRUE (file.setLastModificationTime (longAgo));
        }

        step.change();

        if (step.expectedFile == nullptr)
            EXPECT_TRUE (! file.exists() || file.getLastModificationTime() == longAgo) << step.name;
        else
            EXPECT_EQ (file.loadFileAsString(), uiFileWith (step.expectedFile)) << step.name;
    }

    EXPECT_FLOAT_EQ (processor.uiScale, 1.0f);
    EXPECT_TRUE (processor.uiDarkMode);
    EXPECT_FALSE (processor.showTooltips);
}

TEST (UiSettings, SavingReplacesAForeignRootAndKeepsOurs)
{
    zobtest::ScopedTempHome home;
    const auto file = ZobAudioProcessor::getUiSettingsFile();

    const std::pair<const char*, const char*> cases[] {
        { nullptr, "<ZOB_UI uiDarkMode=\"1\"/>" },
        { "<OTHER uiScale=\"0.75\" colour=\"red\"/>", "<ZOB_UI uiDarkMode=\"1\"/>" },
        { "this is not XML", "<ZOB_UI uiDarkMode=\"1\"/>" },
        { "<zob_ui uiScale=\"0.75\" colour=\"red\"/>", "<zob_ui uiScale=\"0.75\" colour=\"red\" uiDarkMode=\"1\"/>" },
        { "<ZOB_UI uiDarkMode=\"0\" showTooltips=\"0\"/>", "<ZOB_UI uiDarkMode=\"1\" showTooltips=\"0\"/>" },
    };

    for (const auto& [before, after] : cases)
    {
        home.userFolder().deleteRecursively(); // the save makes the folders again

        if (before != nullptr)
        {
            ASSERT_TRUE (file.create() && file.replaceWithText (before));
        }

        ZobAudioProcessor::saveUiSetting ("uiDarkMode", true);
        EXPECT_EQ (uiFileText(), uiFileWith (after)) << (before != nullptr ? before : "no file");
    }

    ZobAudioProcessor::saveUiSetting ("uiScale", 0.75);
    EXPECT_EQ (uiFileText(), uiFileWith ("<ZOB_UI uiDarkMode=\"1\" showTooltips=\"0\" uiScale=\"0.75\"/>"));
}

TEST (UiSettings, NewProcessorsStartWithTheStoredSettings)
{
    zobtest::ScopedTempHome home;
    const auto file = ZobAudioProcessor::getUiSettingsFile();

    struct Case
    {
        const char* text; // nullptr: no file
        float scale;
        bool dark, tooltips;
    };

    const Case cases[] {
        { nullptr, 1.0f, false, true },
        { "", 1.0f, false, true },
        { "<ZOB_UI", 1.0f, false, true },
        { "<ZOB_UI uiScale=\"0.75\" uiDarkMode=\"1\" showTooltips=\"0\"/>", 0.75f, true, false },
        { "<ZOB_UI uiScale=\"0.8\"/>", 1.0f, false, true },
        { "<SOMETHING_ELSE uiScale=\"0.75\" uiDarkMode=\"true\"/>", 0.75f, true, true },
    };

    for (const auto& testCase : cases)
    {
        const auto label = juce::String (testCase.text != nullptr ? testCase.text : "no file");
        file.deleteFile();

        if (testCase.text != nullptr)
        {
            ASSERT_TRUE (file.create() && file.replaceWithText (testCase.text));
        }

        float scale = 0.5f;
        bool dark = true, tooltips = false;
        ZobAudioProcessor::loadUiSettings (scale, dark, tooltips);
        EXPECT_EQ (scale, testCase.scale) << label;
        EXPECT_EQ (dark, testCase.dark) << label;
        EXPECT_EQ (tooltips, testCase.tooltips) << label;

        ZobAudioProcessor processor;
        EXPECT_EQ (processor.uiScale, testCase.scale) << label;
        EXPECT_EQ (processor.uiDarkMode, testCase.dark) << label;
        EXPECT_EQ (processor.showTooltips, testCase.tooltips) << label;
    }
}

TEST (UiSettings, AFileWithAByteOrderMarkKeepsItsSettings)
{
    zobtest::ScopedTempHome home;
    const auto file = ZobAudioProcessor::getUiSettingsFile();
    const char text[] = "\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<ZOB_UI uiScale=\"0.75\" uiDarkMode=\"1\" showTooltips=\"0\"/>\r\n";
    ASSERT_TRUE (file.create() && file.replaceWithData (text, sizeof (text) - 1));

    float scale = 1.0f;
    bool dark = false, tooltips = true;
    ZobAudioProcessor::loadUiSettings (scale, dark, tooltips);
    EXPECT_EQ (scale, 0.75f);
    EXPECT_TRUE (dark);
    EXPECT_FALSE (tooltips);

    // Changing one setting keeps the other two.
    ZobAudioProcessor::saveUiSetting ("showTooltips", true);
    EXPECT_EQ (uiFileText(), uiFileWith ("<ZOB_UI uiScale=\"0.75\" uiDarkMode=\"1\" showTooltips=\"1\"/>"));
}
