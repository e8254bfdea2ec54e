#include "library/KickPitchAnalysis.h"

#include "engine/ApproximatelyEqual.h"
#include "engine/WideVectors.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr int minimumSamples = 64; // below this a buffer (and the decimated kick) is too short
constexpr double minimumSampleRate = 8000.0;
constexpr float silentPeak = 1.0e-6f; // mono peak below this: silence
constexpr float silentDecimatedPeak = 1.0e-7f;
constexpr double highPassHz = 30.0; // rumble and DC out
constexpr double lowPassHz = 200.0; // taken twice: clicks and overtones out
constexpr double analysisRateHz = 11025.0; // the decimation factor aims at this rate
constexpr double frameMs = 80.0;
constexpr double hopMs = 8.0;
constexpr double gateRatio = 1.0e-2; // frames quieter than the peak by 40 dB are skipped
constexpr double lowestKickHz = 30.0;
constexpr double highestKickHz = 160.0;
constexpr float minimumClarity = 0.45f; // voiced frames need at least this NSDF peak
constexpr double peakThresholdRatio = 0.85; // first local NSDF maximum this close to the best wins
constexpr double glideEnergyShare = 0.8;
constexpr int settledWindowFrames = 5;
constexpr float approxSemitones = 0.33f;

/** The lags of a frame's NSDF: the searched range [minLag, maxLag] and the computed range
    [first, last], which adds one neighbour each side for the peak tests and refinement. */
struct LagRange
{
    int minLag = 0, maxLag = 0, first = 0, last = 0;
    bool usable = false;
};

LagRange lagRangeFor (int length, double sampleRate, double minHz, double maxHz)
{
    LagRange lags;

    if (length < 8 || ! (sampleRate > 0.0 && minHz > 0.0 && maxHz > 0.0) || ! std::isfinite (sampleRate))
        return lags;

    // Worked out in double first, so absurd frequencies cannot overflow the int lags.
    const auto halfLength = (double) (length / 2);
    const auto minLag = std::max (2.0, std::floor (sampleRate / maxHz));
    const auto maxLag = std::min (std::ceil (sampleRate / minHz), halfLength);

    if (! (maxLag > minLag + 1.0))
        return lags;

    lags.minLag = (int) minLag;
    lags.maxLag = (int) maxLag;
    lags.first = std::max (1, lags.minLag - 1);
    lags.last = std::min (lags.maxLag + 1, length - 2);
    lags.usable = true;
    return lags;
}

/** Picks the pitch from an NSDF indexed by lag (valid from lags.first to lags.last). */
void pickPitch (const double* nsdf, const LagRange& lags, double sampleRate, double& hz, float& clarity)
{
    auto best = -1.0e9;

    for (int lag = lags.minLag; lag <= lags.maxLag; ++lag)
        best = std::max (best, nsdf[lag]);

    if (best <= 0.0)
        return;

    const auto threshold = peakThresholdRatio * best;

    for (int lag = lags.minLag; lag <= lags.maxLag; ++lag)
    {
        const auto a = nsdf[lag - 1];
        const auto b = nsdf[lag];
        const auto c = nsdf[lag + 1];

        if (b >= a && b >= c && b >= threshold)
        {
            const auto den = a - 2.0 * b + c;
            const auto delta = std::abs (den) < 1.0e-12 ? 0.0 : juce::jlimit (-1.0, 1.0, 0.5 * (a - c) / den);
            const auto period = lag + delta;

            if (period <= 0.0)
                return;

            hz = sampleRate / period;
            clarity = juce::jlimit (0.0f, 1.0f, (float) b);
            return;
        }
    }
}

double semitonesBetween (double lowHz, double highHz) { return 12.0 * std::log2 (highHz / lowHz); }

double midiFromHz (double hz) { return 12.0 * std::log2 (hz / 440.0) + 69.0; }

bool isMidiRange (double midi) { return midi >= 0.0 && midi <= 127.0; }

juce::int32 nearestNote (double midi) { return (juce::int32) juce::jlimit (0L, 127L, std::lround (midi)); }

// The two inner loops of the lagged products, built for wider vectors as well where the
// processor has them (each sum is updated by the same operations in the same order at any
// width).
ZOB_WIDE_VECTORS void addScaled (double* __restrict sums, const double* __restrict lagged, double value, int count)
{
    for (int k = 0; k < count; ++k)
        sums[k] += value * lagged[k];
}

ZOB_WIDE_VECTORS void addScaledFour (double* __restrict sums, const double* __restrict lagged, double v0, double v1, double v2, double v3, int count)
{
    for (int k = 0; k < count; ++k)
        sums[k] += (v0 * lagged[k] + v1 * lagged[k + 1]) + (v2 * lagged[k + 2] + v3 * lagged[k + 3]);
}

/** The normalised square difference functions of every frame of a decimated kick.

    A frame's NSDF is one dot product per lag over about 900 samples; frames overlap by
    nine tenths, so done frame by frame almost all of that work repeats. Here the lagged
    products are summed once per hop-sized block of the signal, and each frame's dot
    products are put together from the blocks it spans plus a short tail. The frame's mean
    is taken out afterwards with prefix sums, which is exact algebra, so the values match
    the direct sum up to rounding.
*/
class FrameNsdf
{
public:
    FrameNsdf (const std::vector<float>& signal, int frameLength, int hopLength, const LagRange& lagRange)
        : length (frameLength), hop (hopLength), lags (lagRange), samples (signal.begin(), signal.end())
    {
        numLags = lags.last - lags.first + 1;
        blocksPerFrame = (length - lags.first) / hop;
        // Frames are measured in time order and each uses blocksPerFrame blocks from its
        // start, so a ring of that many blocks is enough however long the kick is.
        ringSize = juce::jmax (1, blocksPerFrame);
        blockSums.assign ((size_t) ringSize * (size_t) numLags, 0.0);
        blockInSlot.assign ((size_t) ringSize, -1);
        frameBlocks.resize ((size_t) ringSize);

        for (int lag = lags.first; lag <= lags.last; ++lag)
            wholeBlocksOfLag.push_back ((length - lag) / hop);
        lagProducts.resize ((size_t) numLags);
        energy.resize ((size_t) length + 1);
        sums.resize ((size_t) length + 1);
        nsdf.assign ((size_t) length + 1, 0.0);
    }

    /** Measures the frame starting at hop * frameIndex, as measureFramePitch would. */
    void measure (int frameIndex, double sampleRate, double& hz, float& clarity)
    {
        hz = 0.0;
        clarity = 0.0f;

        const auto start = (size_t) frameIndex * (size_t) hop;
        const auto* frame = samples.data() + start;

        // Prefix sums of the samples and of the centred energy; the first gives the mean
        // exactly as a plain running sum would.
        sums[0] = 0.0;
        for (int i = 0; i < length; ++i)
            sums[(size_t) i + 1] = sums[(size_t) i] + frame[i];

        const auto mean = sums[(size_t) length] / length;

        energy[0] = 0.0;
        for (int i = 0; i < length; ++i)
        {
            const auto centred = frame[i] - mean;
            energy[(size_t) i + 1] = energy[(size_t) i] + centred * centred;
        }

        const auto frameEnergy = energy[(size_t) length];
        if (frameEnergy <= 1.0e-12)
            return;

        for (int i = 0; i < blocksPerFrame; ++i)
        {
            prepareBlock (frameIndex + i);
            frameBlocks[(size_t) i] = blockSums.data() + (size_t) ((frameIndex + i) % ringSize) * (size_t) numLags;
        }

        // Lagged products over the whole blocks that each lag's span covers...
        auto* products = lagProducts.data();
        for (int index = 0; index < numLags; ++index)
        {
            auto sum = 0.0;
            for (int i = 0; i < wholeBlocksOfLag[(size_t) index]; ++i)
                sum += frameBlocks[(size_t) i][index];

            products[index] = sum;
        }

        // ...plus the tails. Lags sharing a count of whole blocks share the tail's start,
        // and a longer lag only has a shorter tail, so the tails run across lags at once.
        for (int lag = lags.first; lag <= lags.last;)
        {
            const auto wholeBlocks = (length - lag) / hop;
            const auto tailStart = wholeBlocks * hop;
            auto groupEnd = lag; // last lag with this many whole blocks
            while (groupEnd < lags.last && (length - (groupEnd + 1)) / hop == wholeBlocks)
                ++groupEnd;

            for (int i = tailStart; i < length - lag; ++i)
            {
                // lags whose span still reaches sample i: lag < length - i
                const auto lastLag = std::min (groupEnd, length - i - 1);
                const auto value = frame[i];
                const auto* lagged = frame + i;

                addScaled (products + (lag - lags.first), lagged + lag, value, lastLag - lag + 1);
            }

            lag = groupEnd + 1;
        }

        for (int lag = lags.first; lag <= lags.last; ++lag)
        {
            // sum of (y[i] - mean) (y[i + lag] - mean) over the span, from the raw products
            const auto span = length - lag;
            const auto leadingSum = sums[(size_t) span];
            const auto trailingSum = sums[(size_t) length] - sums[(size_t) lag];
            const auto difference = products[lag - lags.first] - mean * (leadingSum + trailingSum) + span * mean * mean;
            const auto normaliser = frameEnergy - energy[(size_t) lag] + energy[(size_t) span];

            nsdf[(size_t) lag] = normaliser > 1.0e-15 ? 2.0 * difference / normaliser : 0.0;
        }

        pickPitch (nsdf.data(), lags, sampleRate, hz, clarity);
    }

private:
    void prepareBlock (int block)
    {
        const auto slot = (size_t) (block % ringSize);
        if (blockInSlot[slot] == block)
            return;

        blockInSlot[slot] = block;
        auto* sumsOfBlock = blockSums.data() + slot * (size_t) numLags;
        std::fill (sumsOfBlock, sumsOfBlock + numLags, 0.0);
        const auto size = (int) samples.size();
        const auto begin = block * hop;

        const auto end = std::min (begin + hop, size);
        auto i = begin;

        // Four samples per pass over the lags halves the loads and stores of the sums.
        // Lags that run past the signal are never used by a frame that needs this block.
        for (; i + 3 < end; i += 4)
        {
            const auto count = std::min (numLags, size - (i + 3) - lags.first);
            const auto* lagged = samples.data() + i + lags.first;
            const auto v0 = samples[(size_t) i], v1 = samples[(size_t) i + 1];
            const auto v2 = samples[(size_t) i + 2], v3 = samples[(size_t) i + 3];

            addScaledFour (sumsOfBlock, lagged, v0, v1, v2, v3, count);
        }

        for (; i < end; ++i)
        {
            const auto count = std::min (numLags, size - i - lags.first);
            const auto value = samples[(size_t) i];
            const auto* lagged = samples.data() + i + lags.first;

            addScaled (sumsOfBlock, lagged, value, count);
        }
    }

    const int length, hop;
    const LagRange lags;
    const std::vector<double> samples;
    int numLags = 0, blocksPerFrame = 0, ringSize = 1;
    std::vector<double> blockSums; // [block % ringSize][lag - first]: sum of y[i] y[i + lag] over the block
    std::vector<int> blockInSlot; // which block each ring slot holds, -1 for none
    std::vector<const double*> frameBlocks; // the current frame's blocks, in time order
    std::vector<int> wholeBlocksOfLag; // whole blocks inside each lag's span
    std::vector<double> lagProducts, energy, sums, nsdf;
};
} // namespace

//==============================================================================
void filterZeroPhase (std::vector<float>& samples, const juce::IIRCoefficients& coefficients)
{
    juce::IIRFilter filter;
    const auto size = (int) samples.size();

    filter.setCoefficients (coefficients);
    filter.reset();
    filter.processSamples (samples.data(), size);

    std::reverse (samples.begin(), samples.end());
    filter.reset();
    filter.processSamples (samples.data(), size);

    std::reverse (samples.begin(), samples.end());
}

void measureFramePitch (const float* frame, int length, double sampleRate, double minHz, double maxHz, double& hz, float& clarity)
{
    hz = 0.0;
    clarity = 0.0f;

    if (frame == nullptr || length < 8)
        return;

    auto total = 0.0;
    for (int i = 0; i < length; ++i)
        total += frame[i];

    const auto mean = total / length;
    std::vector<double> x ((size_t) length);
    std::vector<double> c ((size_t) length + 1, 0.0);

    for (int i = 0; i < length; ++i)
    {
        x[(size_t) i] = frame[i] - mean;
        c[(size_t) i + 1] = c[(size_t) i] + x[(size_t) i] * x[(size_t) i];
    }

    const auto frameEnergy = c[(size_t) length];
    if (frameEnergy <= 1.0e-12)
        return;

    const auto lags = lagRangeFor (length, sampleRate, minHz, maxHz);
    if (! lags.usable)
        return;

    std::vector<double> nsdf ((size_t) length + 1, 0.0);

    for (int lag = lags.first; lag <= lags.last; ++lag)
    {
        auto r = 0.0;
        for (int i = 0; i < length - lag; ++i)
            r += x[(size_t) i] * x[(size_t) (i + lag)];

        const auto m = frameEnergy - c[(size_t) lag] + c[(size_t) (length - lag)];
        nsdf[(size_t) lag] = m > 1.0e-15 ? 2.0 * r / m : 0.0;
    }

    pickPitch (nsdf.data(), lags, sampleRate, hz, clarity);
}

KickPitchResult analyseKick (const juce::AudioBuffer<float>& buffer, double sampleRate)
{
    KickPitchResult result;

    const auto numSamples = buffer.getNumSamples();
    const auto numChannels = buffer.getNumChannels();

    if (numSamples < minimumSamples || numChannels < 1 || ! (sampleRate >= minimumSampleRate) || ! std::isfinite (sampleRate))
        return result;

    // Mono mix, and where the kick peaks: the analysis starts there.
    std::vector<float> mono ((size_t) numSamples, 0.0f);

    for (int channel = 0; channel < numChannels; ++channel)
    {
        const auto* input = buffer.getReadPointer (channel);
        for (int i = 0; i < numSamples; ++i)
            mono[(size_t) i] += input[i];
    }

    const auto scale = 1.0f / (float) numChannels;
    auto peak = 0.0f;
    auto peakIndex = 0;

    for (int i = 0; i < numSamples; ++i)
    {
        mono[(size_t) i] *= scale;
        const auto magnitude = std::abs (mono[(size_t) i]);

        if (magnitude > peak)
        {
            peak = magnitude;
            peakIndex = i;
        }
    }

    if (peak < silentPeak)
        return result;

    filterZeroPhase (mono, juce::IIRCoefficients::makeHighPass (sampleRate, highPassHz));
    filterZeroPhase (mono, juce::IIRCoefficients::makeLowPass (sampleRate, lowPassHz));
    filterZeroPhase (mono, juce::IIRCoefficients::makeLowPass (sampleRate, lowPassHz));

    // Decimation by plain picking: the low-passes above leave nothing to alias.
    const auto factor = std::max (1.0, std::round (sampleRate / analysisRateHz));
    if (factor > (double) numSamples)
        return result; // a single decimated sample at most

    const auto step = (int) factor;
    const auto rate = sampleRate / step;
    std::vector<float> decimated;
    decimated.reserve ((size_t) ((numSamples - peakIndex) / step + 1));

    for (int i = peakIndex; i < numSamples; i += step)
        decimated.push_back (mono[(size_t) i]);

    const auto size = (int) decimated.size();
    if (size < minimumSamples)
        return result;

    auto decimatedPeak = 0.0f;
    for (auto sample : decimated)
        decimatedPeak = std::max (decimatedPeak, std::abs (sample));

    if (decimatedPeak < silentDecimatedPeak)
        return result;

    const auto frameLength = std::max (32, (int) std::round (rate * frameMs / 1000.0));
    const auto hopLength = std::max (1, (int) std::round (rate * hopMs / 1000.0));
    const auto gate = gateRatio * (double) decimatedPeak;

    // Voiced frames, in time order.
    std::vector<PitchFrame> frames;
    const auto lags = lagRangeFor (frameLength, rate, lowestKickHz, highestKickHz);

    if (lags.usable && size >= frameLength)
    {
        FrameNsdf nsdf (decimated, frameLength, hopLength, lags);

        for (int frameIndex = 0, start = 0; start + frameLength <= size; ++frameIndex, start += hopLength)
        {
            auto sumOfSquares = 0.0;
            for (int i = start; i < start + frameLength; ++i)
                sumOfSquares += (double) decimated[(size_t) i] * (double) decimated[(size_t) i];

            const auto rms = std::sqrt (sumOfSquares / frameLength);
            if (rms < gate)
                continue;

            auto hz = 0.0;
            auto clarity = 0.0f;
            nsdf.measure (frameIndex, rate, hz, clarity);

            if (hz > 0.0 && clarity >= minimumClarity)
                frames.push_back ({ start / rate * 1000.0, hz, rms });
        }
    }

    const auto count = (int) frames.size();
    if (count < 2)
        return result;

    // Glide: the pitch range of the loudest frames that hold 80 % of the voiced energy.
    {
        auto byLevel = frames;
        std::sort (byLevel.begin(), byLevel.end(), [] (const PitchFrame& a, const PitchFrame& b)
                   { return a.rms > b.rms; });

        auto totalEnergy = 0.0;
        for (const auto& frame : frames)
            totalEnergy += frame.rms * frame.rms;

        auto lowest = byLevel.front().hz;
        auto highest = byLevel.front().hz;
        auto energySoFar = 0.0;

        for (const auto& frame : byLevel)
        {
            lowest = std::min (lowest, frame.hz);
            highest = std::max (highest, frame.hz);
            energySoFar += frame.rms * frame.rms;

            if (energySoFar >= totalEnergy * glideEnergyShare)
                break;
        }

        if (lowest > 0.0)
            result.glide = (float) semitonesBetween (lowest, highest);
    }

    // The settled pitch: the median of the steadiest five consecutive frames.
    auto f0 = 0.0;
    auto spread = 0.0;

    const auto medianAndSpread = [&f0, &spread] (std::vector<double> pitches)
    {
        std::sort (pitches.begin(), pitches.end());
        f0 = pitches[pitches.size() / 2];
        spread = pitches.front() > 0.0 ? semitonesBetween (pitches.front(), pitches.back()) : 0.0;
    };

    if (count > settledWindowFrames)
    {
        auto bestSlope = 1.0e9;

        for (int k = count - settledWindowFrames; k >= 0; --k)
        {
            const auto& first = frames[(size_t) k];
            const auto& last = frames[(size_t) (k + settledWindowFrames - 1)];

            if (first.hz <= 0.0 || last.hz <= 0.0)
                continue;

            const auto slope = std::abs (semitonesBetween (first.hz, last.hz)) / std::max (last.timeMs - first.timeMs, 1.0);

            if (slope < bestSlope)
            {
                bestSlope = slope;
                std::vector<double> window;
                for (int i = k; i < k + settledWindowFrames; ++i)
                    window.push_back (frames[(size_t) i].hz);

                medianAndSpread (std::move (window));
            }
        }
    }
    else
    {
        std::vector<double> all;
        for (const auto& frame : frames)
            all.push_back (frame.hz);

        medianAndSpread (std::move (all));
    }

    if (f0 <= 0.0)
        return result;

    const auto midi = midiFromHz (f0);
    if (! isMidiRange (midi))
        return result;

    result.valid = true;
    result.hz = f0;
    result.note = nearestNote (midi);
    result.cents = (float) ((midi - (double) std::lround (midi)) * 100.0);
    result.settled = (float) spread;
    result.approx = result.settled > approxSemitones;
    return result;
}

//==============================================================================
juce::String KickPitchResult::noteName() const
{
    if (! valid)
        return {};

    static const char* const names[] = { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };
    const auto n = juce::jlimit (0, 127, (int) note);
    return juce::String (names[n % 12]) + juce::String (n / 12 - 1);
}

juce::String KickPitchResult::displayText() const
{
    return (approx ? "~" : "") + noteName();
}

KickPitchResult KickPitchResult::transposed (float semitones) const
{
    if (! valid || zob::approximatelyEqual (semitones, 0.0f))
        return *this;

    const auto newHz = hz * std::pow (2.0, (double) semitones / 12.0);
    if (! (newHz > 0.0))
        return *this;

    const auto midi = midiFromHz (newHz);
    if (! isMidiRange (midi))
        return *this;

    auto moved = *this;
    moved.hz = newHz;
    moved.note = nearestNote (midi);
    moved.cents = (float) ((midi - moved.note) * 100.0);
    return moved;
}
