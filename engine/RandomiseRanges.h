#pragma once

#include <juce_core/juce_core.h>

#include <array>

/** The span one control is rolled within by the randomise button (raw parameter values). */
struct RandomiseRange
{
    const juce::String& parameterID;
    float minValue;
    float maxValue;
};

/** TRANSIENT, PUNCH, LENGTH and TONE, rolled in this order.

    The LENGTH minimum is the position whose decay lasts 7/13 of the kick after its hold,
    computed from the LENGTH curve when the program starts (it reads 0 before that).
*/
extern const std::array<RandomiseRange, 4> randomiseRanges;
