#include "engine/ApproximatelyEqual.h"
#include "engine/ParameterIds.h"
#include "engine/ZobAudioProcessor.h"

#include <gtest/gtest.h>

TEST (ApproximatelyEqual, UsesAbsoluteAndRelativeTolerances)
{
    EXPECT_TRUE (zob::approximatelyEqual (-0.5f, -0.5f));
    EXPECT_TRUE (zob::approximatelyEqual (-1.0f, -1.0f - 1.0e-8f));
    EXPECT_FALSE (zob::approximatelyEqual (-1.0f, -1.001f));
    EXPECT_TRUE (zob::approximatelyEqual (0.0f, 1.0e-39f));
    EXPECT_FALSE (zob::approximatelyEqual (0.0f, 1.0e-30f));
    EXPECT_FALSE (zob::approximatelyEqual (std::nanf (""), std::nanf ("")));
    EXPECT_TRUE (zob::approximatelyEqual (INFINITY, INFINITY));
    EXPECT_FALSE (zob::approximatelyEqual (INFINITY, -INFINITY));
}
