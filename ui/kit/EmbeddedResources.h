#pragma once

#include <cstddef>

namespace vyl
{
/** A block of data embedded in the program at build time. */
struct EmbeddedBlock
{
    const void* data = nullptr;
    size_t size = 0;
};

/** The widget kit's embedded resources.

    The three weights of the "VYL UI Sans" family (TrueType files), the knob face
    (512 x 512 RGBA PNG) and the grain overlay (960 x 640 RGBA PNG). The blocks live for
    the whole process; a font block is identified by the address of its data.
*/
namespace EmbeddedResources
{
    EmbeddedBlock uiSansRegularTtf();
    EmbeddedBlock uiSansSemiBoldTtf();
    EmbeddedBlock uiSansBoldTtf();
    EmbeddedBlock knobPng();
    EmbeddedBlock grainPng();
} // namespace EmbeddedResources
} // namespace vyl
