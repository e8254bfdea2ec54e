// "ui.xml" as anyone may have edited it: reading it gives sane settings, and writing one
// setting into it leaves a file that reads back with that setting.

#include "FuzzSupport.h"

#include "engine/ZobAudioProcessor.h"

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    zobfuzz::startProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    const auto file = ZobAudioProcessor::getUiSettingsFile();
    file.getParentDirectory().createDirectory();
    file.replaceWithData (data, size);

    float scale = 0.0f;
    bool dark = false, tooltips = false;
    ZobAudioProcessor::loadUiSettings (scale, dark, tooltips);
    zobfuzz::check (scale == 0.75f || scale == 1.0f, "the UI scale is 0.75 or 1.0");

    ZobAudioProcessor::saveUiSetting ("uiScale", 0.75);
    ZobAudioProcessor::saveUiSetting ("showTooltips", ! tooltips);
    ZobAudioProcessor::loadUiSettings (scale, dark, tooltips);
    zobfuzz::check (scale == 0.75f, "a written scale reads back");

    bool tooltipsAfter = false;
    ZobAudioProcessor::loadUiSettings (scale, dark, tooltipsAfter);
    zobfuzz::check (tooltipsAfter == tooltips, "reading twice gives the same settings");
    return 0;
}
