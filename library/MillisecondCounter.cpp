#include "library/MillisecondCounter.h"

#include <atomic>

namespace
{
// The set time in the low 32 bits, and whether one is set above them (0 when none is).
std::atomic<juce::uint64> setTime { 0 };
constexpr juce::uint64 isSet = (juce::uint64) 1 << 32;
} // namespace

namespace MillisecondCounter
{
juce::uint32 now() noexcept
{
    const auto set = setTime.load (std::memory_order_acquire);

    if ((set & isSet) != 0)
        return (juce::uint32) set;

    return juce::Time::getMillisecondCounter();
}

void setForTesting (juce::uint32 value) noexcept
{
    setTime.store (isSet | value, std::memory_order_release);
}

void releaseForTesting() noexcept
{
    setTime.store (0, std::memory_order_release);
}
} // namespace MillisecondCounter
