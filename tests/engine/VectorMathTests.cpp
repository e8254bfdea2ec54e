#include "engine/VectorMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

using zob::vectorMath::Path;

namespace
{
// glibc's tanhf is at most 2.19 ulp from the exact value over every float of magnitude up
// to 8, the range PUNCH's drive gives a kick; the audio block's tanh must do as well.
constexpr double largestTanhUlps = 2.19;

struct NamedPath
{
    Path path;
    const char* name;
};

/** The paths this build and processor can take. */
std::vector<NamedPath> availablePaths()
{
    std::vector<NamedPath> paths;

    for (const auto& p : { NamedPath { Path::scalar, "scalar" }, NamedPath { Path::sse, "sse" }, NamedPath { Path::avx2, "avx2" } })
        if (zob::vectorMath::canTake (p.path))
            paths.push_back (p);

    return paths;
}

float fromBits (std::uint32_t bits)
{
    float value;
    std::memcpy (&value, &bits, sizeof (value));
    return value;
}

/** The size of one unit in the last place of the float nearest to an exact value. */
double ulpAt (double exact)
{
    int exponent;
    std::frexp ((double) (float) exact, &exponent);
    return std::ldexp (1.0, std::max (exponent - 24, -149));
}

/** Every stride-th float from the one of firstBits up to the one of lastBits, each
    followed by its negative. */
std::vector<float> floatsUpTo (std::uint32_t firstBits, std::uint32_t lastBits, std::uint32_t stride)
{
    std::vector<float> values;

    for (auto bits = firstBits; bits <= lastBits; bits += stride)
    {
        values.push_back (fromBits (bits));
        values.push_back (-fromBits (bits));
    }

    return values;
}

std::vector<float> tanhOf (std::vector<float> values, Path path)
{
    zob::vectorMath::tanhInPlace (values.data(), (int) values.size(), path);
    return values;
}
} // namespace

TEST (VectorMath, TanhIsAsAccurateAsTheCLibrarysOverTheRangeOfAKick)
{
    // Every 127th float up to 8 and its negative (about 17 million values, subnormals
    // included) against tanh in double, a few thousand at a time.
    constexpr std::uint32_t stride = 127, largestBits = 0x41000000u; // 8.0f

    for (const auto& [path, name] : availablePaths())
    {
        auto worst = 0.0;
        auto worstAt = 0.0f;

        for (std::uint32_t first = 0; first <= largestBits; first += 4096 * stride)
        {
            const auto inputs = floatsUpTo (first, std::min (first + 4095 * stride, largestBits), stride);
            const auto outputs = tanhOf (inputs, path);

            for (size_t i = 0; i < inputs.size(); ++i)
            {
                const auto exact = std::tanh ((double) inputs[i]);
                const auto ulps = std::abs ((double) outputs[i] - exact) / ulpAt (exact);

                if (ulps > worst)
                {
                    worst = ulps;
                    worstAt = inputs[i];
                }
            }
        }

        EXPECT_LE (worst, largestTanhUlps) << name << " at " << worstAt;
    }
}

TEST (VectorMath, TanhKeepsZerosSignsAndTheLimitsOfOne)
{
    constexpr auto infinity = std::numeric_limits<float>::infinity();
    const std::vector<float> specials { 0.0f, -0.0f, infinity, -infinity, std::numeric_limits<float>::quiet_NaN(), 1.0e30f, -1.0e30f, 9.0f, -20.0f };

    // Beyond 8 as well: every 997th float up to infinity.
    const auto everywhere = floatsUpTo (0, 0x7f800000u, 997);

    for (const auto& [path, name] : availablePaths())
    {
        SCOPED_TRACE (name);
        const auto out = tanhOf (specials, path);

        EXPECT_EQ (out[0], 0.0f);
        EXPECT_FALSE (std::signbit (out[0]));
        EXPECT_EQ (out[1], 0.0f);
        EXPECT_TRUE (std::signbit (out[1]));
        EXPECT_EQ (out[2], 1.0f);
        EXPECT_EQ (out[3], -1.0f);
        EXPECT_TRUE (std::isnan (out[4]));
        EXPECT_EQ (out[5], 1.0f);
        EXPECT_EQ (out[6], -1.0f);
        EXPECT_LE (out[7], 1.0f);
        EXPECT_GE (out[8], -1.0f);

        const auto all = tanhOf (everywhere, path);

        for (size_t i = 0; i < all.size(); ++i)
        {
            ASSERT_LE (std::abs (all[i]), 1.0f) << everywhere[i];
            ASSERT_EQ (std::signbit (all[i]), std::signbit (everywhere[i])) << everywhere[i];
        }
    }
}

TEST (VectorMath, EveryPathOfLibmvecGivesTheSameBitsForAnyCount)
{
    // The audio block's sound must not depend on the processor it runs on, nor on where a
    // value falls in a block (whole vectors or the padded rest).
    const auto inputs = floatsUpTo (0, 0x41000000u, 9973);
    if (! zob::vectorMath::canTake (Path::sse))
        GTEST_SKIP() << "this build has no vector functions";

    const auto sse = tanhOf (inputs, Path::sse);

    if (zob::vectorMath::canTake (Path::avx2))
        EXPECT_EQ (0, std::memcmp (sse.data(), tanhOf (inputs, Path::avx2).data(), sizeof (float) * sse.size()));

    for (const auto& [path, name] : availablePaths())
    {
        for (int count = 0; count <= 19; ++count)
        {
            std::vector<float> values (inputs.begin() + 100, inputs.begin() + 100 + count);
            values.push_back (0.5f); // just past the end: left alone
            zob::vectorMath::tanhInPlace (values.data(), count, path);

            const auto whole = tanhOf (std::vector<float> (inputs.begin() + 100, inputs.begin() + 100 + count), path);

            for (int i = 0; i < count; ++i)
                ASSERT_EQ (values[(size_t) i], whole[(size_t) i]) << name << ", " << count << " values";

            ASSERT_EQ (values.back(), 0.5f) << name << ", " << count << " values";
        }
    }
}

TEST (VectorMath, Exp2GivesTheSameLengthGainsOnEveryPath)
{
    // The two vector exp2 differ now and then in the last bit of a double; the envelope's
    // gains, floats, must not.
    std::vector<double> exponents;

    for (int i = 0; i <= 1000003; ++i)
    {
        const auto t = i / 1000003.0;
        exponents.push_back (-7.97262742772967 * (t * t * (3.0 - 2.0 * t)));
    }

    auto gainsOn = [&exponents] (Path path)
    {
        auto raised = exponents;
        zob::vectorMath::exp2InPlace (raised.data(), (int) raised.size(), path);
        std::vector<float> gains;

        for (const auto r : raised)
            gains.push_back ((float) std::max ((r - 0.003981071705534972) * 1.0039969839853866, 0.0));

        return gains;
    };

    const auto plain = gainsOn (Path::scalar);

    for (const auto& [path, name] : availablePaths())
        EXPECT_TRUE (gainsOn (path) == plain) << name;
}

TEST (VectorMath, Exp2IsWithinAFewUlpOfTheCLibrarysOverTheLengthEnvelope)
{
    // The envelope takes 2^x for x from -7.97 (-48 dB) to 0, at most a hundred or so at once.
    std::vector<double> inputs;

    for (int i = 0; i <= 200001; ++i)
        inputs.push_back (-7.97262742772967 * i / 200001.0);

    for (const auto& [path, name] : availablePaths())
    {
        auto outputs = inputs;
        outputs.push_back (3.0); // just past the end: left alone
        zob::vectorMath::exp2InPlace (outputs.data(), (int) inputs.size(), path);
        EXPECT_EQ (outputs.back(), 3.0) << name;

        for (size_t i = 0; i < inputs.size(); ++i)
        {
            const auto expected = std::exp2 (inputs[i]);
            const auto ulp = std::nextafter (expected, 2.0) - expected;
            ASSERT_LE (std::abs (outputs[i] - expected), 4.0 * ulp) << name << " at " << inputs[i];
        }
    }
}
