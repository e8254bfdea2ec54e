// A kick file of any content under every accepted extension (the first byte picks it),
// through every entry point that reads kick files: the loader, the key cache's detection
// and the import check. None may crash, hang or allocate without bound, and what loads
// must be finite and bounded.

#include "FuzzSupport.h"

#include "engine/KickLoading.h"
#include "library/KeyCache.h"
#include "library/KickFileReader.h"
#include "library/KickFolders.h"
#include "library/UserKickImport.h"

#include <cmath>

namespace
{
/** Made after JUCE is started and kept for the whole run. */
juce::AudioFormatManager& formats()
{
    static auto* const basicFormats = []
    {
        auto* made = new juce::AudioFormatManager();
        made->registerBasicFormats();
        return made;
    }();

    return *basicFormats;
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    zobfuzz::startProcess();
    formats();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;

    const auto& extensions = getAudioFileExtensions();
    const auto file = zobfuzz::scratchFolder().getChildFile ("kick" + extensions[data[0] % extensions.size()]);
    file.replaceWithData (data + 1, size - 1);

    LoadedSample sample;

    if (loadSampleFile (sample, file, formats()))
    {
        zobfuzz::check (sample.buffer.getNumSamples() > 0 && sample.buffer.getNumChannels() > 0, "a loaded kick has samples");
        zobfuzz::check (std::isfinite (sample.sampleRate) && sample.sampleRate > 0.0, "a loaded kick has a rate");

        for (int channel = 0; channel < sample.buffer.getNumChannels(); ++channel)
            for (int i = 0; i < sample.buffer.getNumSamples(); ++i)
                zobfuzz::check (std::abs (sample.buffer.getSample (channel, i)) <= largestUsableSample, "loaded samples are finite and bounded");
    }

    const auto pitch = vyl::KeyCache::detectFile (file, formats());
    zobfuzz::check (! pitch.valid || (std::isfinite (pitch.hz) && pitch.hz > 0.0), "a detected key has a frequency");

    isDecodableKickFile (file);
    return 0;
}
