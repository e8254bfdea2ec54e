#pragma once

#include <cfloat>
#include <cmath>
#include <limits>

namespace zob
{
/** Decides whether a float value has changed.

    JUCE 7.0.5's juce::approximatelyEqual misjudges negative numbers, so the program uses
    this one everywhere instead. Its tolerances are those of later JUCE releases: two
    values are equal when they differ by at most the smallest normal number of the type
    (absolute) or by at most epsilon times the larger magnitude (relative). Infinities
    and NaN are compared exactly, so NaN is never equal to anything.
*/
template <typename Type>
constexpr bool approximatelyEqual (Type a, Type b) noexcept
{
    if (! (std::isfinite (a) && std::isfinite (b)))
        return a == b;

    const auto difference = std::abs (a - b);
    return difference <= std::numeric_limits<Type>::min()
           || difference <= std::numeric_limits<Type>::epsilon() * std::max (std::abs (a), std::abs (b));
}
} // namespace zob
