// The built ZOB.vst3 seen from a host: scanned, instantiated and driven through JUCE's VST3
// hosting, with none of the program's own code linked in. What a strict validator checks:
// the plug-in's description, its parameters, state round trips and hostile state blobs,
// processing at every common rate and block size, and the editor opening while audio runs.

#include "support/AudioFileBytes.h"
#include "support/BlockDriver.h"
#include "support/RealtimeTrap.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <juce_audio_processors/juce_audio_processors.h>
#include <pluginterfaces/vst/ivstcomponent.h>
#include <pluginterfaces/vst/ivstunits.h>

#include <atomic>
#include <thread>

namespace
{
// A host is an application: JUCE then initialises Xlib for threads and installs its X error
// handlers, without which the editor's window dies on the first harmless X error under Xvfb.
juce::JUCEApplicationBase* noApplicationObject() { return nullptr; }
[[maybe_unused]] const bool actsAsApplication = (juce::JUCEApplicationBase::createInstance = noApplicationObject, true);

const char* const parameterNames[] = { "Transient", "Punch", "Length", "Tone", "Tune", "Output" };

juce::File bundle()
{
    // The definition names the bundle's binary folder (ZOB.vst3/Contents/x86_64-linux).
    return juce::File (ZOB_VST3_BINARY_FOLDER).getParentDirectory().getParentDirectory();
}

struct Host
{
    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> types;

    Host() { format.findAllTypesForFile (types, bundle().getFullPathName()); }

    std::unique_ptr<juce::AudioPluginInstance> create (double sampleRate = 44100.0, int blockSize = 512)
    {
        if (types.isEmpty())
            return nullptr;
        juce::String error;
        auto instance = format.createInstanceFromDescription (*types[0], sampleRate, blockSize, error);
        EXPECT_TRUE (error.isEmpty()) << error;
        return instance;
    }
};

juce::AudioProcessorParameter* findParameter (juce::AudioPluginInstance& plugin, const juce::String& name)
{
    for (auto* p : plugin.getParameters())
        if (p->getName (64) == name)
            return p;
    return nullptr;
}

std::vector<juce::AudioProcessorParameter*> shapingParameters (juce::AudioPluginInstance& plugin)
{
    std::vector<juce::AudioProcessorParameter*> result;
    for (auto* name : parameterNames)
        if (auto* p = findParameter (plugin, name))
            result.push_back (p);
    return result;
}

juce::MemoryBlock saveState (juce::AudioPluginInstance& plugin)
{
    juce::MemoryBlock block;
    plugin.getStateInformation (block);
    return block;
}

// The host wraps the plug-in's own state (base64 in "IComponent"); these reach inside it,
// so a test can hand the plug-in itself any bytes it likes.
juce::MemoryBlock pluginOwnState (const juce::MemoryBlock& hostState)
{
    juce::MemoryBlock inner;
    if (auto xml = juce::AudioProcessor::getXmlFromBinary (hostState.getData(), (int) hostState.getSize()))
        if (auto* component = xml->getChildByName ("IComponent"))
            inner.fromBase64Encoding (component->getAllSubText());
    return inner;
}

juce::MemoryBlock hostStateWrapping (const juce::MemoryBlock& pluginState)
{
    juce::XmlElement xml ("VST3PluginState");
    xml.createNewChildElement ("IComponent")->addTextElement (pluginState.toBase64Encoding());
    juce::MemoryBlock block;
    juce::AudioProcessor::copyXmlToBinary (xml, block);
    return block;
}

/** Puts a kick file into the plug-in's state, the way a saved project names its kick. */
bool loadKickThroughState (juce::AudioPluginInstance& plugin, const juce::File& kick)
{
    auto inner = pluginOwnState (saveState (plugin));
    auto xml = juce::AudioProcessor::getXmlFromBinary (inner.getData(), (int) inner.getSize());
    if (xml == nullptr)
        return false;
    xml->setAttribute ("samplePath", kick.getFullPathName());
    juce::MemoryBlock patched;
    juce::AudioProcessor::copyXmlToBinary (*xml, patched);
    const auto usedBytes = 8 + (size_t) juce::ByteOrder::littleEndianInt (juce::addBytesToPointer (inner.getData(), 4));
    if (usedBytes < inner.getSize()) // whatever the wrapper appends after the plug-in's own data
        patched.append (juce::addBytesToPointer (inner.getData(), usedBytes), inner.getSize() - usedBytes);
    const auto state = hostStateWrapping (patched);
    plugin.setStateInformation (state.getData(), (int) state.getSize());
    return true;
}

std::vector<float> parameterValues (juce::AudioPluginInstance& plugin)
{
    std::vector<float> values;
    for (auto* p : shapingParameters (plugin))
        values.push_back (p->getValue());
    return values;
}

zobtest::BlockDriver driverFor (juce::AudioPluginInstance& plugin, juce::int64 seed = 1234)
{
    return zobtest::BlockDriver (plugin, shapingParameters (plugin), seed);
}

::testing::AssertionResult trapIsClean (const zobtest::RealtimeTrap& trap)
{
    // The VST3 wrapper takes its processor's callback lock around every block, so only
    // locks that make the audio thread wait count here.
    if (trap.isClean())
        return ::testing::AssertionSuccess();

    return ::testing::AssertionFailure() << trap.report();
}

void pumpMessagesFor (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}

juce::File writeKick (const juce::String& name)
{
    auto file = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile (name);
    zobtest::writeBytes (file, zobtest::makeKickWav());
    return file;
}
} // namespace

TEST (Vst3Scan, FindsOneStereoInstrumentWithMidiInput)
{
    Host host;
    ASSERT_EQ (host.types.size(), 1) << bundle().getFullPathName();
    const auto& type = *host.types[0];
    EXPECT_EQ (type.name, "ZOB");
    EXPECT_EQ (type.manufacturerName, "Corvale Audio");
    EXPECT_EQ (type.version, "1.3.0");
    EXPECT_EQ (type.pluginFormatName, "VST3");
    EXPECT_TRUE (type.isInstrument);
    EXPECT_TRUE (type.category.contains ("Instrument")) << type.category;
    EXPECT_EQ (type.numInputChannels, 0);
    EXPECT_EQ (type.numOutputChannels, 2);
}

TEST (Vst3Instance, AnswersTheHostsFixedQuestions)
{
    Host host;
    auto plugin = host.create();
    ASSERT_NE (plugin, nullptr);
    EXPECT_EQ (plugin->getName(), "ZOB");
    EXPECT_TRUE (plugin->acceptsMidi());
    EXPECT_FALSE (plugin->producesMidi());
    EXPECT_DOUBLE_EQ (plugin->getTailLengthSeconds(), 2.0);
    EXPECT_LE (plugin->getNumPrograms(), 1); // VST3 carries a program list only for two or more
    EXPECT_EQ (plugin->getBusCount (true), 0);
    ASSERT_EQ (plugin->getBusCount (false), 1);
    EXPECT_EQ (plugin->getBus (false, 0)->getCurrentLayout(), juce::AudioChannelSet::stereo());
    EXPECT_EQ (plugin->getTotalNumInputChannels(), 0);
    EXPECT_EQ (plugin->getTotalNumOutputChannels(), 2);
    EXPECT_TRUE (plugin->hasEditor());
}

TEST (Vst3Instance, NamesItsOneProgram)
{
    // Hosts read the program list through the unit interface and show the program as a
    // factory preset; Steinberg's validator fails a program without a name.
    Host host;
    auto plugin = host.create();
    ASSERT_NE (plugin, nullptr);

    struct ComponentFinder : juce::ExtensionsVisitor
    {
        void visitVST3Client (const VST3Client& client) override { component = client.getIComponentPtr(); }
        Steinberg::Vst::IComponent* component = nullptr;
    } finder;

    plugin->getExtensions (finder);
    ASSERT_NE (finder.component, nullptr);
    Steinberg::Vst::IUnitInfo* units = nullptr;
    ASSERT_EQ (finder.component->queryInterface (Steinberg::Vst::IUnitInfo::iid, reinterpret_cast<void**> (&units)), Steinberg::kResultOk);
    ASSERT_NE (units, nullptr);

    ASSERT_EQ (units->getProgramListCount(), 1);
    Steinberg::Vst::ProgramListInfo list {};
    ASSERT_EQ (units->getProgramListInfo (0, list), Steinberg::kResultOk);
    ASSERT_EQ (list.programCount, 1);
    Steinberg::Vst::String128 name {};
    ASSERT_EQ (units->getProgramName (list.id, 0, name), Steinberg::kResultOk);
    EXPECT_EQ (juce::String (juce::CharPointer_UTF16 (reinterpret_cast<const juce::CharPointer_UTF16::CharType*> (name))), juce::String ("Default"));
    units->release();
}

TEST (Vst3Parameters, SixParametersWithTheirNamesRangesAndDefaults)
{
    Host host;
    auto plugin = host.create();
    ASSERT_NE (plugin, nullptr);

    const auto outputDefault = std::pow (60.0f / 72.0f, std::log (0.5f) / std::log (0.6666667f));
    struct Case
    {
        const char* name;
        const char* atZero;
        const char* atOne;
        float defaultValue;
        const char* defaultText;
    };
    const Case cases[] = {
        { "Transient", "0.0000000", "1.0000000", 0.0f, "0.0000000" },
        { "Punch", "0.0000000", "1.0000000", 0.0f, "0.0000000" },
        { "Length", "0.0000000", "1.0000000", 1.0f, "1.0000000" },
        { "Tone", "-1.0000000", "1.0000000", 0.5f, "0.0000000" },
        { "Tune", "-12.00", "12.00", 0.5f, "0.00" },
        { "Output", "-60.0", "12.0", outputDefault, "0.0" },
    };

    auto parameters = plugin->getParameters();
    for (size_t i = 0; i < std::size (cases); ++i)
    {
        const auto& c = cases[i];
        SCOPED_TRACE (c.name);
        ASSERT_LT ((int) i, parameters.size());
        auto* p = parameters[(int) i];
        EXPECT_EQ (p->getName (64), c.name);
        EXPECT_TRUE (p->isAutomatable());
        EXPECT_NEAR (p->getDefaultValue(), c.defaultValue, 1.0e-5f);
        EXPECT_NEAR (p->getValue(), c.defaultValue, 1.0e-5f);
        EXPECT_EQ (p->getText (0.0f, 64), c.atZero);
        EXPECT_EQ (p->getText (1.0f, 64), c.atOne);
        EXPECT_EQ (p->getText (c.defaultValue, 64), c.defaultText);
    }

    // Anything beyond the six may only be what the VST3 wrapper adds: its bypass switch and the
    // parameters that carry MIDI controllers to the plug-in.
    for (int i = (int) std::size (cases); i < parameters.size(); ++i)
    {
        const auto name = parameters[i]->getName (64);
        EXPECT_TRUE (name == "Bypass" || name.startsWith ("MIDI CC ")) << name;
    }
}

TEST (Vst3Parameters, ValueToTextAndBack)
{
    Host host;
    auto plugin = host.create();
    ASSERT_NE (plugin, nullptr);

    struct Case
    {
        const char* name;
        const char* text;
        float normalised;
    };
    const Case cases[] = {
        { "Output", "-12.0", 0.5f },
        { "Output", "-60.0", 0.0f },
        { "Output", "12.0", 1.0f },
        { "Tune", "-12.00", 0.0f },
        { "Tune", "3.50", 15.5f / 24.0f },
        { "Tone", "-0.5000000", 0.25f },
        { "Length", "0.2500000", 0.25f },
        { "Transient", "0.7500000", 0.75f },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.name) + " " + c.text);
        auto* p = findParameter (*plugin, c.name);
        ASSERT_NE (p, nullptr);
        const auto value = p->getValueForText (c.text);
        EXPECT_NEAR (value, c.normalised, 1.0e-4f);
        EXPECT_EQ (p->getText (value, 64), c.text);
    }
}

TEST (Vst3State, SaveRestoreIntoASecondInstanceAndSaveAgainGivesTheSameBytes)
{
    Host host;
    auto first = host.create();
    auto second = host.create();
    ASSERT_NE (first, nullptr);
    ASSERT_NE (second, nullptr);

    const float values[] = { 0.3f, 0.6f, 0.45f, 0.8f, 0.625f, 0.5f };
    auto parameters = shapingParameters (*first);
    ASSERT_EQ (parameters.size(), std::size (values));
    for (size_t i = 0; i < parameters.size(); ++i)
        parameters[i]->setValueNotifyingHost (values[i]);

    const auto saved = saveState (*first);
    const auto inner = pluginOwnState (saved);
    ASSERT_NE (juce::AudioProcessor::getXmlFromBinary (inner.getData(), (int) inner.getSize()), nullptr) << "the plug-in saved no state of its own";
    second->setStateInformation (saved.getData(), (int) saved.getSize());
    const auto restored = parameterValues (*second);
    for (size_t i = 0; i < restored.size(); ++i)
        EXPECT_NEAR (restored[i], values[i], 1.0e-3f) << parameterNames[i];

    EXPECT_EQ (saveState (*second), saved);
}

TEST (Vst3State, GarbageAndTruncatedBlobsChangeNothing)
{
    Host host;
    auto plugin = host.create();
    ASSERT_NE (plugin, nullptr);
    for (auto* p : shapingParameters (*plugin))
        p->setValueNotifyingHost (0.3f);
    // One round trip first, so the host's values are the plug-in's own (snapped to their steps).
    const auto saved = saveState (*plugin);
    plugin->setStateInformation (saved.getData(), (int) saved.getSize());
    const auto before = parameterValues (*plugin);
    const auto good = pluginOwnState (saved);

    std::vector<juce::MemoryBlock> blobs;
    juce::Random random (99);
    for (int size : { 0, 1, 4, 8, 9, 64, 4096 })
    {
        juce::MemoryBlock garbage ((size_t) size);
        random.fillBitsRandomly (garbage.getData(), garbage.getSize());
        blobs.push_back (garbage);
    }
    // The right magic with lengths that lie.
    for (uint32_t length : { 0u, 1u, 0x7ffffff0u, 0xffffffffu })
    {
        zobtest::ByteWriter w;
        w.text ("VC2!").le32 (length).raw ("<PARAMETERS><PARAM id=\"punchAmount\" value=\"1\"/>", 47);
        blobs.push_back (w.bytes);
    }
    // The real state cut short everywhere inside its XML text, so it no longer parses.
    for (size_t cut = 0; cut + 2 < good.getSize(); cut += juce::jmax ((size_t) 1, good.getSize() / 40))
        blobs.emplace_back (good.getData(), cut);

    for (const auto& blob : blobs)
    {
        SCOPED_TRACE ("blob of " + juce::String ((int) blob.getSize()) + " bytes");
        const auto state = hostStateWrapping (blob);
        plugin->setStateInformation (state.getData(), (int) state.getSize());
        plugin->setStateInformation (blob.getData(), (int) blob.getSize()); // not even wrapped
        EXPECT_EQ (parameterValues (*plugin), before);
    }
}

TEST (Vst3State, RestoresAndSwapsKicksFromAnotherThreadWhileBlocksRun)
{
    Host host;
    auto plugin = host.create();
    ASSERT_NE (plugin, nullptr);
    plugin->prepareToPlay (44100.0, 512);

    ASSERT_TRUE (loadKickThroughState (*plugin, writeKick ("race kick a.wav")));
    const auto withKickA = saveState (*plugin);
    ASSERT_TRUE (loadKickThroughState (*plugin, writeKick ("race kick b.wav")));
    const auto withKickB = saveState (*plugin);
    juce::MemoryBlock garbage (300);
    juce::Random (5).fillBitsRandomly (garbage.getData(), garbage.getSize());
    const auto garbageState = hostStateWrapping (garbage);
    const juce::MemoryBlock* states[] = { &withKickA, &withKickB, &garbageState };

    // No automation meanwhile: JUCE's VST3 wrapper hands automation to the parameters inside
    // its process call, under each parameter's listener lock, which the restore holds for a
    // moment on the other thread. That wait is the wrapper's, outside processBlock.
    zobtest::AudioThread audio (*plugin, 512);
    std::atomic<bool> restoring { true };
    std::thread restorer ([&]
                          {
                              for (int i = 0; i < 60; ++i)
                              {
                                  const auto& blob = *states[i % 3];
                                  plugin->setStateInformation (blob.getData(), (int) blob.getSize());
                              }

                              restoring = false; });

    // The host's state calls lock the message manager, so keep messages flowing.
    while (restoring)
        pumpMessagesFor (5);

    restorer.join();
    pumpMessagesFor (20);
    EXPECT_TRUE (audio.finish());
    plugin->releaseResources();
}

class Vst3Processing : public ::testing::TestWithParam<double>
{
};

TEST_P (Vst3Processing, OutputStaysCleanForEveryBlockSizeNoteAndAutomation)
{
    const auto sampleRate = GetParam();
    Host host;
    auto plugin = host.create (sampleRate, 4096);
    ASSERT_NE (plugin, nullptr);
    plugin->prepareToPlay (sampleRate, 4096);
    ASSERT_TRUE (loadKickThroughState (*plugin, writeKick ("processing kick.wav")));

    auto driver = driverFor (*plugin);
    const auto samplesPerSize = (int) (sampleRate * 0.25);

    for (int blockSize : { 1, 32, 64, 441, 512, 1024, 4096, 0 /* random */ })
    {
        SCOPED_TRACE ("block size " + juce::String (blockSize));
        EXPECT_TRUE (driver.run (blockSize == 1 ? samplesPerSize / 8 : samplesPerSize, blockSize));
    }

    // A host may prepare again without releasing first.
    plugin->prepareToPlay (sampleRate, 4096);
    EXPECT_TRUE (driver.run (samplesPerSize, 0));
    plugin->prepareToPlay (sampleRate, 64);
    EXPECT_TRUE (driver.run (samplesPerSize / 4, 64));
    plugin->releaseResources();

    EXPECT_GT (driver.loudest, 0.05f) << "no kick sounded";
    EXPECT_TRUE (trapIsClean (driver.trap));
}

/** An instance at a rate, with a kick loaded, whose blocks of 512 samples are run one by one. */
class Vst3Notes : public ::testing::TestWithParam<double>
{
protected:
    void SetUp() override
    {
        plugin = host.create (GetParam(), 512);
        ASSERT_NE (plugin, nullptr);
        plugin->prepareToPlay (GetParam(), 512);
        ASSERT_TRUE (loadKickThroughState (*plugin, writeKick ("notes kick.wav")));
    }

    void TearDown() override
    {
        if (plugin != nullptr)
            plugin->releaseResources();
    }

    void process()
    {
        plugin->processBlock (buffer, midi);
        midi.clear();
    }

    /** A second of blocks after an all-notes-off lets every stage settle to silence. */
    void settle()
    {
        midi.addEvent (juce::MidiMessage::controllerEvent (1, 123, 0), 0);

        for (int i = 0; i < (int) GetParam() / 512; ++i)
            process();
    }

    Host host;
    std::unique_ptr<juce::AudioPluginInstance> plugin;
    juce::AudioBuffer<float> buffer { 2, 512 };
    juce::MidiBuffer midi;
};

TEST_P (Vst3Notes, StartOnTheirExactSample)
{
    for (int offset : { 0, 1, 100, 317, 511 })
    {
        SCOPED_TRACE ("note at " + juce::String (offset));
        settle();
        midi.addEvent (juce::MidiMessage::noteOn (1, 36, (juce::uint8) 127), offset);
        process();

        for (int channel = 0; channel < 2; ++channel)
        {
            for (int i = 0; i < offset; ++i)
                ASSERT_LT (std::abs (buffer.getSample (channel, i)), 1.0e-6f) << "sample " << i << " of channel " << channel;

            EXPECT_GT (std::abs (buffer.getSample (channel, offset)), 0.05f) << "channel " << channel;
        }
    }
}

TEST_P (Vst3Notes, AllSoundOffAndAllNotesOffSilenceTheKick)
{
    // The kick rings for 0.3 s: the block after its start still sounds, unless a controller
    // stops it. (A VST3 host hands controllers over at the start of their block.)
    for (int controller : { 0, 120, 123 })
    {
        SCOPED_TRACE ("controller " + juce::String (controller));
        settle();
        midi.addEvent (juce::MidiMessage::noteOn (1, 36, (juce::uint8) 127), 0);
        process();

        if (controller != 0)
            midi.addEvent (juce::MidiMessage::controllerEvent (1, controller, 0), 0);

        process();
        const auto level = std::max (buffer.getMagnitude (0, 0, 512), buffer.getMagnitude (1, 0, 512));

        if (controller == 0)
            EXPECT_GT (level, 0.05f);
        else
            EXPECT_LT (level, 1.0e-4f);
    }
}

INSTANTIATE_TEST_SUITE_P (Rates, Vst3Notes, ::testing::Values (44100.0, 192000.0), [] (const auto& test)
                          { return std::to_string ((int) test.param); });

INSTANTIATE_TEST_SUITE_P (Rates, Vst3Processing, ::testing::Values (44100.0, 48000.0, 96000.0, 192000.0), [] (const auto& info)
                          { return std::to_string ((int) info.param); });

TEST (Vst3Editor, OpensAndClosesWhileBlocksRun)
{
    Host host;
    auto plugin = host.create();
    ASSERT_NE (plugin, nullptr);
    plugin->prepareToPlay (44100.0, 256);
    ASSERT_TRUE (loadKickThroughState (*plugin, writeKick ("editor kick.wav")));

    zobtest::AudioThread audio (*plugin, 256); // no automation: see the restore test above

    for (int round = 0; round < 3; ++round)
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor (plugin->createEditorIfNeeded());
        ASSERT_NE (editor, nullptr);
        EXPECT_GT (editor->getWidth(), 0);
        EXPECT_GT (editor->getHeight(), 0);
        editor->addToDesktop (0);
        editor->setVisible (true);
        pumpMessagesFor (150);
        editor.reset();
        pumpMessagesFor (30);
    }

    EXPECT_TRUE (audio.finish());
    plugin->releaseResources();
}
