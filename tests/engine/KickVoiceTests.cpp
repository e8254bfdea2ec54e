#include "engine/KickVoice.h"
#include "engine/LengthCurve.h"
#include "support/AllocationCheck.h"

#include <gtest/gtest.h>

#include <cmath>

TEST (LengthCurve, MapsPositionsToStageValues)
{
    struct Case
    {
        float position;
        double stageValue;
        double tolerance;
    };

    const Case cases[] = {
        { -0.5f, 0.136, 1.0e-12 },
        { 0.0f, 0.136, 1.0e-12 },
        { 0.25f, 0.38058, 1.0e-5 },
        { 0.5f, 1.0650, 1.0e-4 },
        { 0.75f, 2.9803, 1.0e-4 },
        { 0.95f, 9.6, 1.0e-4 },
        { 0.99f, 48.0, 0.01 },
        { 1.0f, 60000.0, 1.0e-6 },
        { 2.0f, 60000.0, 1.0e-6 },
    };

    for (const auto& c : cases)
        EXPECT_NEAR (lengthToStageValue (c.position), c.stageValue, c.tolerance) << "position " << c.position;
}
