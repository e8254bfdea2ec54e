// Writes the seed corpus of every fuzz target into the given folder (fuzz/corpus), as
// files named "seed-...". The same build writes the same bytes every time. Inputs that
// fuzzing found are kept beside them under other names and are never rewritten here.
//
//   build/ZobFuzzSeeds fuzz/corpus

#include "FuzzSupport.h"

#include "engine/ParameterIds.h"
#include "engine/ZobAudioProcessor.h"
#include "library/KickFolders.h"
#include "support/AudioFileBytes.h"
#include "support/AudioFiles.h"
#include "support/KickFileFixtures.h"

#include <cstdio>

namespace
{
juce::File corpusRoot;

void writeSeed (const char* target, const juce::String& name, const void* data, size_t size)
{
    const auto folder = corpusRoot.getChildFile (target);
    folder.createDirectory();
    folder.getChildFile ("seed-" + name.replaceCharacter (' ', '-')).replaceWithData (data, size);
}

void writeSeed (const char* target, const juce::String& name, const juce::MemoryBlock& bytes)
{
    writeSeed (target, name, bytes.getData(), bytes.getSize());
}

void writeSeed (const char* target, const juce::String& name, const juce::String& text)
{
    writeSeed (target, name, text.toRawUTF8(), text.getNumBytesAsUTF8());
}

//==============================================================================
void writeStateSeeds()
{
    ZobAudioProcessor processor;
    juce::MemoryBlock blob;
    processor.getStateInformation (blob);
    const auto state = juce::AudioProcessor::getXmlFromBinary (blob.getData(), (int) blob.getSize());

    auto seed = [] (const juce::String& name, const juce::XmlElement& xml)
    {
        juce::MemoryBlock bytes;
        juce::AudioProcessor::copyXmlToBinary (xml, bytes);
        writeSeed ("StateBlob", name, bytes);
    };

    seed ("defaults", *state);

    auto edited = *state;
    edited.setAttribute ("samplePath", "/nonexistent/Kick 01.wav");
    edited.setAttribute ("uiScale", 0.75);
    edited.setAttribute ("uiDarkMode", true);
    for (auto* parameter : edited.getChildIterator())
        if (parameter->getStringAttribute ("id") == ParameterIds::tuneSemitones)
            parameter->setAttribute ("value", -7.0);
    seed ("kick and settings", edited);

    auto older = *state;
    older.removeAttribute ("lengthCurve");
    seed ("length curve 1", older);
    older.setAttribute ("lengthCurve", 2);
    seed ("length curve 2", older);

    auto handEdited = *state;
    for (auto* parameter : handEdited.getChildIterator())
        parameter->setAttribute ("value", "1e9");
    handEdited.setAttribute ("samplePath", "relative/Kick.wav");
    seed ("hand edited", handEdited);

    writeSeed ("StateBlob", "not binary", juce::String ("<PARAMETERS/>"));
}

//==============================================================================
void writeKickFileSeeds()
{
    // The first byte of each input picks the extension the file gets.
    const auto& extensions = getAudioFileExtensions();

    auto seed = [&extensions] (const juce::String& extension, const juce::String& name, const juce::MemoryBlock& bytes)
    {
        juce::MemoryBlock input;
        input.append ("", 1);
        static_cast<char*> (input.getData())[0] = (char) juce::jmax (0, extensions.indexOf (extension));
        input.append (bytes.getData(), bytes.getSize());
        writeSeed ("KickFile", name, input);
    };

    constexpr int frames = 400;
    juce::WavAudioFormat wav;
    juce::AiffAudioFormat aiff;
    juce::FlacAudioFormat flac;
    juce::OggVorbisAudioFormat ogg;

    seed (".wav", "wav 16 mono", zobtest::encodeKick (wav, 1, frames, 44100.0, 16));
    seed (".wav", "wav 24 stereo", zobtest::encodeKick (wav, 2, frames, 48000.0, 24));
    seed (".bwf", "wav float", zobtest::encodeKick (wav, 1, frames, 44100.0, 32));
    seed (".aiff", "aiff 16 mono", zobtest::encodeKick (aiff, 1, frames, 44100.0, 16));
    seed (".aif", "aiff 24 stereo", zobtest::encodeKick (aiff, 2, frames, 96000.0, 24));
    seed (".flac", "flac 16 mono", zobtest::encodeKick (flac, 1, 2000, 44100.0, 16));
    seed (".flac", "flac 24 stereo", zobtest::encodeKick (flac, 2, 2000, 48000.0, 24));
    seed (".ogg", "ogg mono", zobtest::encodeKick (ogg, 1, 2000, 44100.0, 16));

    zobtest::WavSpec extensible;
    extensible.formatTag = 0xfffe;
    extensible.data = zobtest::pcm16 (zobtest::makeKickSamples (44100.0, 0.005));
    seed (".wav", "wav extensible", zobtest::makeWav (extensible));

    zobtest::AiffSpec aifc;
    aifc.compression = "sowt";
    aifc.data = zobtest::pcm16 (zobtest::makeKickSamples (44100.0, 0.005));
    seed (".aif", "aifc sowt", zobtest::makeAiff (aifc));
}

//==============================================================================
void writeXmlSeeds()
{
    writeSeed ("UiSettingsFile", "written", juce::String ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<ZOB_UI uiScale=\"0.75\" uiDarkMode=\"1\" showTooltips=\"0\"/>\r\n"));
    writeSeed ("UiSettingsFile", "other root", juce::String ("<OTHER uiScale=\"0.8\" uiDarkMode=\"yes\" extra=\"x\"><child/></OTHER>"));
    writeSeed ("UiSettingsFile", "not xml", juce::String ("uiScale=0.75"));

    writeSeed ("KeyCacheFile", "written", juce::String ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<ZOBKeyCache>\r\n"
                                                        "  <KEY path=\"/home/user/Kicks/Deep 01.wav\" size=\"48000.0\" modified=\"1.71234567e12\" valid=\"1\"\r\n"
                                                        "       hz=\"41.2034\" note=\"28\" cents=\"-3.5\" glide=\"0.5\" settled=\"0.25\" approx=\"0\"/>\r\n"
                                                        "  <KEY path=\"/home/user/Kicks/Noise.wav\" size=\"1.2e6\" modified=\"0.0\" valid=\"0\" hz=\"0.0\"\r\n"
                                                        "       note=\"0\" cents=\"0.0\" glide=\"0.0\" settled=\"0.0\" approx=\"0\"/>\r\n"
                                                        "</ZOBKeyCache>\r\n"));
    writeSeed ("KeyCacheFile", "odd values", juce::String ("<zobkeycache><key path=\"/a.wav\" size=\"1e300\" modified=\"-inf\" valid=\"true\" hz=\"nan\" note=\"99999999999\" "
                                                           "cents=\"1e40\" glide=\"-0\" settled=\"x\" approx=\"Y\"/><KEY size=\"1\"/><KEY PATH=\"/b.wav\"/></zobkeycache>"));

    writeSeed ("FavoritesFile", "written", juce::String ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<ZOB_FAVORITES>\r\n"
                                                         "  <Favorite id=\"Deep 01.wav\"/>\r\n  <Favorite id=\"Kick 01.wav\"/>\r\n</ZOB_FAVORITES>\r\n"));
    writeSeed ("FavoritesFile", "odd entries", juce::String ("<OTHER><favorite id=\"a.wav\"/><Favorite id=\"a.wav\"/><Favorite id=\"\"/><Favorite/><Favorite ID=\"b.wav\"/>"
                                                             "<Favorite id=\"A.WAV\"/><Other id=\"c.wav\"/></OTHER>"));
}

void writeDisplayNameSeeds()
{
    const char* const names[] = {
        "VYL_Kick_Deep_05.wav",
        "Garage - Kick 7.wav",
        "Dry - Low - Sub.wav",
        "BD12 Deep.wav",
        "Kick 0012.wav",
        "Kick One Shot.wav",
        ".wav",
        "Deep - .wav",
        "Tab\tSeparated\t4.wav",
        "Kick mit \xc3\x9cml\xc3\xa4ut 01.wav",
    };

    for (int i = 0; i < juce::numElementsInArray (names); ++i)
        writeSeed ("DisplayName", juce::String (i + 1).paddedLeft ('0', 2), juce::String::fromUTF8 (names[i]));
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }

    corpusRoot = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    zobfuzz::startProcess();

    writeStateSeeds();
    writeKickFileSeeds();
    writeXmlSeeds();
    writeDisplayNameSeeds();
    zobfuzz::finishProcess();
    return 0;
}
