#pragma once

#include <juce_core/juce_core.h>

/** The millisecond counter that the library's time limits are measured with: JUCE's
    Time::getMillisecondCounter, unless a test has set the time.

    Limits are unsigned 32-bit differences of two readings, so they stay right when the
    counter wraps. A test sets the counter to step exactly to each side of a limit (and
    across the wrap) without waiting; nothing else ever sets it. Any thread. */
namespace MillisecondCounter
{
juce::uint32 now() noexcept;

/** From now on now() returns this value, until it is set again or released. */
void setForTesting (juce::uint32 value) noexcept;

/** Hands now() back to JUCE's counter. */
void releaseForTesting() noexcept;
} // namespace MillisecondCounter
