#include "ui/kit/EmbeddedResources.h"

#include <ZobArtData.h>
#include <ZobFontData.h>

namespace vyl::EmbeddedResources
{
EmbeddedBlock uiSansRegularTtf() { return { ZobFontData::ManropeRegular_ttf, (size_t) ZobFontData::ManropeRegular_ttfSize }; }
EmbeddedBlock uiSansSemiBoldTtf() { return { ZobFontData::ManropeSemiBold_ttf, (size_t) ZobFontData::ManropeSemiBold_ttfSize }; }
EmbeddedBlock uiSansBoldTtf() { return { ZobFontData::ManropeBold_ttf, (size_t) ZobFontData::ManropeBold_ttfSize }; }
EmbeddedBlock knobPng() { return { ZobArtData::knob_png, (size_t) ZobArtData::knob_pngSize }; }
EmbeddedBlock grainPng() { return { ZobArtData::grain_png, (size_t) ZobArtData::grain_pngSize }; }
} // namespace vyl::EmbeddedResources
