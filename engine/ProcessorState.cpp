// The processor's persistent data: the plug-in state blob (parameters, loaded kick, UI
// settings, LENGTH curve version) and the per-user UI settings file. All message thread.

#include "engine/ProcessorState.h"

#include "engine/ApproximatelyEqual.h"
#include "engine/LengthCurve.h"
#include "engine/ParameterIds.h"
#include "engine/ZobAudioProcessor.h"
#include "library/XmlFiles.h"

#include <cmath>

namespace
{
// Root attributes of the saved state, besides the parameter tree's own children.
const juce::Identifier samplePathAttribute { "samplePath" };
const juce::Identifier uiScaleAttribute { "uiScale" };
const juce::Identifier uiDarkModeAttribute { "uiDarkMode" };
const juce::Identifier showTooltipsAttribute { "showTooltips" };
const juce::Identifier lengthCurveAttribute { "lengthCurve" };

// Version 3 is the LENGTH curve of lengthToStageValue; older states are converted on load.
constexpr int currentLengthCurveVersion = 3;

const juce::String uiSettingsRootTag { "ZOB_UI" };

/** The stage value an older LENGTH curve gave the stored position. */
double legacyStageValue (int version, float position)
{
    const auto b = (double) juce::jlimit (0.0f, 1.0f, position);

    if (version == 2)
    {
        if (b <= 0.9)
            return std::exp2 ((b - 0.9) * 5.0 / 0.9);

        return 1.0 / std::max (1.0 - (b - 0.9) / (1.0 - 0.9), 0.0001);
    }

    return b / std::max (1.0 - b, 0.0001);
}

/** True for a binary XML block ("VC2!", a 32-bit length, the text) that is damaged and so
    must change nothing:
    - it is shorter than its own length field says: JUCE's reader parses whatever part of it
      arrived, and a cut inside the root's opening tag reads as an empty element, which would
      put every control back to its default;
    - its text is not safe for JUCE's parser, which reads past the end of text that is not
      valid UTF-8 and loops forever on some processing instructions.
    Anything else without the magic number is no binary XML, and JUCE's reader refuses it. */
bool isDamagedBinaryXml (const void* data, int sizeInBytes)
{
    constexpr juce::uint32 binaryXmlMagic = 0x21324356; // "VC2!"
    constexpr int headerBytes = 8;

    if (sizeInBytes <= headerBytes || juce::ByteOrder::littleEndianInt (data) != binaryXmlMagic)
        return false;

    const auto declaredLength = juce::ByteOrder::littleEndianInt (juce::addBytesToPointer (data, 4));

    if (declaredLength > (juce::uint32) (sizeInBytes - headerBytes))
        return true;

    return ! isSafeXmlText (juce::addBytesToPointer (data, headerBytes), (size_t) declaredLength);
}

/** Puts the default in place of every parameter value that is not a number ("nan" in a
    damaged or hand-edited state): JUCE's parameters would take it as it is and every block
    would be NaN. */
void replaceValuesThatAreNotNumbers (juce::XmlElement& state, juce::AudioProcessorValueTreeState& parameters)
{
    for (auto* child : state.getChildIterator())
    {
        if (! child->hasAttribute ("value") || ! std::isnan (child->getStringAttribute ("value").getDoubleValue()))
            continue;

        if (auto* parameter = parameters.getParameter (child->getStringAttribute ("id")))
            child->setAttribute ("value", (double) parameter->convertFrom0to1 (parameter->getDefaultValue()));
        else
            child->removeAttribute ("value");
    }
}

/** ~/.config/Corvale Audio/ZOB on Linux: the program's per-user folder. */
juce::File userProgramFolder()
{
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
        .getChildFile ("Corvale Audio")
        .getChildFile ("ZOB");
}
} // namespace

float snapUiScale (float scale)
{
    if (zob::approximatelyEqual (scale, 0.75f) || zob::approximatelyEqual (scale, 1.0f))
        return scale;

    return 1.0f;
}

juce::File existingKickFileForStoredPath (const juce::String& storedPath)
{
    if (! juce::File::isAbsolutePath (storedPath))
        return {};

    const juce::File file (storedPath);

    if (file.getFullPathName().isEmpty() || ! file.existsAsFile())
        return {};

    return file;
}

//==============================================================================
void ZobAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    auto state = parameters.copyState().createXml();

    if (state == nullptr)
        return;

    // A restored state leaves its root attributes in the tree. Drop them so the blob says
    // what this processor holds now (no stale kick path when no kick is loaded) and always
    // lists them in the same order.
    for (const auto& name : { samplePathAttribute, uiScaleAttribute, uiDarkModeAttribute, showTooltipsAttribute, lengthCurveAttribute })
        state->removeAttribute (name);

    if (loadedSample.buffer.getNumSamples() > 0 && samplePath.isNotEmpty())
        state->setAttribute (samplePathAttribute, samplePath);

    state->setAttribute (uiScaleAttribute, (double) uiScale);
    state->setAttribute (uiDarkModeAttribute, uiDarkMode);
    state->setAttribute (showTooltipsAttribute, showTooltips);
    state->setAttribute (lengthCurveAttribute, currentLengthCurveVersion);

    copyXmlToBinary (*state, destData);
}

void ZobAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (data == nullptr || isDamagedBinaryXml (data, sizeInBytes))
        return;

    auto state = getXmlFromBinary (data, sizeInBytes);

    if (state == nullptr)
        return;

    migrateLengthCurve (*state);
    replaceValuesThatAreNotNumbers (*state, parameters);

    // Whatever the root's tag, the tree keeps the state's own type, so that the next save
    // writes a root that reads back (a damaged tag may not).
    juce::ValueTree restored (parameters.state.getType());
    restored.copyPropertiesAndChildrenFrom (juce::ValueTree::fromXml (*state), nullptr);
    parameters.replaceState (restored);

    if (state->hasAttribute (uiScaleAttribute))
        uiScale = snapUiScale ((float) state->getDoubleAttribute (uiScaleAttribute));

    if (state->hasAttribute (uiDarkModeAttribute))
        uiDarkMode = state->getBoolAttribute (uiDarkModeAttribute);

    if (state->hasAttribute (showTooltipsAttribute))
        showTooltips = state->getBoolAttribute (showTooltipsAttribute);

    const auto storedPath = state->getStringAttribute (samplePathAttribute);
    const auto kickFile = existingKickFileForStoredPath (storedPath);

    if (kickFile != juce::File() && loadSample (kickFile))
        samplePath = storedPath;

    undoStack.clear();
    redoStack.clear();

    // The editor content resynchronises its kick selector; the processor may be gone by
    // the time the message loop gets here.
    juce::MessageManager::callAsync ([processor = juce::WeakReference<ZobAudioProcessor> (this)]
                                     {
                                         if (processor != nullptr && processor->onStateRestored)
                                             processor->onStateRestored(); });
}

void ZobAudioProcessor::migrateLengthCurve (juce::XmlElement& state)
{
    const auto version = state.getIntAttribute (lengthCurveAttribute, 1);

    if (version >= currentLengthCurveVersion)
        return;

    for (auto* parameter : state.getChildIterator())
    {
        if (! parameter->getTagName().equalsIgnoreCase ("PARAM")
            || parameter->getStringAttribute ("id") != ParameterIds::lengthAmount)
            continue;

        const auto stored = (float) parameter->getDoubleAttribute ("value", 1.0);
        auto converted = 1.0f;

        // From the off threshold on the envelope was off under every curve: keep it off.
        if (! (stored >= 0.0f && std::min (stored, 1.0f) >= lengthEnvelopeOffThreshold))
            converted = stageValueToLength (legacyStageValue (version, stored));

        parameter->setAttribute ("value", (double) converted);
        return;
    }
}

//==============================================================================
juce::File ZobAudioProcessor::getUiSettingsFile()
{
    return userProgramFolder().getChildFile ("ui.xml");
}

juce::File ZobAudioProcessor::getKeyCacheFile()
{
    return getUiSettingsFile().getSiblingFile ("keycache.xml");
}

void ZobAudioProcessor::loadUiSettings (float& scale, bool& darkMode, bool& tooltips)
{
    scale = 1.0f;
    darkMode = false;
    tooltips = true;

    // Whatever the root's tag: an older or hand-made file still gives its values.
    if (const auto settings = parseXmlFile (getUiSettingsFile()))
    {
        scale = snapUiScale ((float) settings->getDoubleAttribute (uiScaleAttribute, 1.0));
        darkMode = settings->getBoolAttribute (uiDarkModeAttribute, false);
        tooltips = settings->getBoolAttribute (showTooltipsAttribute, true);
    }
}

void ZobAudioProcessor::saveUiSetting (const juce::String& name, const juce::var& value)
{
    const auto file = getUiSettingsFile();
    file.getParentDirectory().createDirectory();

    auto settings = parseXmlFile (file);

    if (settings == nullptr || ! settings->getTagName().equalsIgnoreCase (uiSettingsRootTag))
        settings = std::make_unique<juce::XmlElement> (uiSettingsRootTag);

    settings->setAttribute (name, value.toString());

    // Several instances share the file without a lock: the last writer wins. A folder or
    // file that cannot be written loses the change; the setting in memory still holds it.
    settings->writeTo (file);
}

void ZobAudioProcessor::setUiScale (float scale)
{
    scale = snapUiScale (scale);

    if (zob::approximatelyEqual (scale, uiScale))
        return;

    uiScale = scale;
    saveUiSetting (uiScaleAttribute.toString(), (double) scale);
}

void ZobAudioProcessor::setUiDarkMode (bool dark)
{
    if (dark == uiDarkMode)
        return;

    uiDarkMode = dark;
    saveUiSetting (uiDarkModeAttribute.toString(), dark);
}

void ZobAudioProcessor::setShowTooltips (bool show)
{
    if (show == showTooltips)
        return;

    showTooltips = show;
    saveUiSetting (showTooltipsAttribute.toString(), show);
}
