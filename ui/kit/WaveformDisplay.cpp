#include "ui/kit/WaveformDisplay.h"

#include "ui/kit/Fonts.h"
#include "ui/kit/Palette.h"
#include "ui/kit/UiDarkModeFlag.h"

namespace vyl
{
namespace
{
    constexpr float waveformWidthOfDiameter = 0.92f; // the centre line and the columns
    constexpr float waveformHeightOfDiameter = 0.62f;
    constexpr float fullAmplitudeSample = 0.85f; // reaches the amplitude limit
    constexpr float flashWashAlpha = 0.16f;
    constexpr float pressedDarkening = 0.25f;
} // namespace

WaveformDisplay::WaveformDisplay()
{
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
    setWantsKeyboardFocus (false);
}

WaveformDisplay::~WaveformDisplay() = default;

void WaveformDisplay::setBuffer (const juce::AudioBuffer<float>& source)
{
    const auto numChannels = source.getNumChannels();
    const auto numSamples = source.getNumSamples();

    if (numChannels < 1 || numSamples < 1)
    {
        clearBuffer();
        return;
    }

    monoBuffer.setSize (1, numSamples, false, false, true);
    monoBuffer.clear();

    for (int channel = 0; channel < numChannels; ++channel)
        monoBuffer.addFrom (0, 0, source, channel, 0, numSamples);

    monoBuffer.applyGain (1.0f / (float) numChannels);

    computePeaks();
    repaint();
}

void WaveformDisplay::clearBuffer()
{
    monoBuffer = juce::AudioBuffer<float>();
    peaks.clear();
    peaks.shrink_to_fit();
    repaint();
}

bool WaveformDisplay::isInsideCircle (juce::Point<float> point) const noexcept
{
    const juce::Point<float> centre ((float) getWidth() / 2.0f, (float) getHeight() / 2.0f);
    return centre.getDistanceFrom (point) <= (float) juce::jmin (getWidth(), getHeight()) / 2.0f;
}

void WaveformDisplay::computePeaks()
{
    peaks.clear();

    const auto numSamples = (juce::int64) monoBuffer.getNumSamples();

    if (numSamples <= 0)
        return;

    const auto columns = (juce::int64) juce::jmax (1, (int) std::floor ((float) juce::jmin (getWidth(), getHeight()) * waveformWidthOfDiameter));
    const auto* samples = monoBuffer.getReadPointer (0);
    peaks.reserve ((size_t) columns);

    for (juce::int64 i = 0; i < columns; ++i)
    {
        const auto start = (i * numSamples) / columns;
        const auto end = juce::jmax (start + 1, ((i + 1) * numSamples) / columns);

        // Both start at zero, so every column touches the centre line.
        auto low = 0.0f, high = 0.0f;

        for (auto k = start; k < end && k < numSamples; ++k)
        {
            low = juce::jmin (low, samples[k]);
            high = juce::jmax (high, samples[k]);
        }

        peaks.emplace_back (low, high);
    }
}

void WaveformDisplay::paint (juce::Graphics& g)
{
    const auto d = (float) juce::jmin (getWidth(), getHeight());
    const auto cx = (float) getWidth() / 2.0f;
    const auto cy = (float) getHeight() / 2.0f;
    const auto r = d / 2.0f;
    const juce::Rectangle<float> disc (cx - r, cy - r, d, d);

    g.setColour (pressed ? Palette::panel().darker (pressedDarkening) : Palette::panel());
    g.fillEllipse (disc);

    if (flashPhase < 1.0f)
    {
        const auto wash = juce::jmax (1.0f - 3.0f * flashPhase, 0.0f);

        if (wash > 0.001f)
        {
            g.setColour (Palette::accent().withAlpha (wash * flashWashAlpha));
            g.fillEllipse (disc);
        }
    }

    g.setColour (Palette::outline());
    g.drawEllipse (cx - r + 0.5f, cy - r + 0.5f, juce::jmax (d - 1.0f, 0.0f), juce::jmax (d - 1.0f, 0.0f), 1.4f);

    // A faint highlight along the left of the rim.
    juce::Path highlight;
    highlight.addCentredArc (cx, cy, r - 1.0f, r - 1.0f, 0.0f, 1.15f * juce::MathConstants<float>::pi, 1.85f * juce::MathConstants<float>::pi, true);
    g.setColour (juce::Colour (uiDarkModeFlag ? 0x21272524u : 0x21deddd5u));
    g.strokePath (highlight, juce::PathStrokeType (1.2f, juce::PathStrokeType::mitered, juce::PathStrokeType::butt));

    const juce::Graphics::ScopedSaveState clipped (g);
    juce::Path inside;
    inside.addEllipse (cx - r + 2.0f, cy - r + 2.0f, juce::jmax (d - 4.0f, 0.0f), juce::jmax (d - 4.0f, 0.0f));
    g.reduceClipRegion (inside);

    g.setColour (juce::Colour (0xffaea79f)); // textMuted brightened by 0.45, both schemes
    g.setFont (Fonts::boldFont (12.5f).withExtraKerningFactor (0.16f));
    g.drawText ("KICK", juce::Rectangle<float> (cx - r, cy - r + 0.2f * d, d, 16.5f), juce::Justification::centred, true);

    const auto lineWidth = waveformWidthOfDiameter * d;
    const auto x0 = cx - lineWidth / 2.0f;
    g.setColour (Palette::outline().brighter (0.25f));
    g.drawLine (x0, cy, x0 + lineWidth, cy, 1.0f);

    if (peaks.empty())
        return;

    const auto amplitude = d * waveformHeightOfDiameter * 0.5f;
    auto yOf = [&] (float v)
    { return cy - juce::jlimit (-1.0f, 1.0f, v / fullAmplitudeSample) * amplitude; };
    const auto n = (int) peaks.size();

    juce::Path shape;
    shape.preallocateSpace (3 * (2 * n + 1));
    shape.startNewSubPath (x0, yOf (peaks[0].second));

    for (int i = 1; i < n; ++i)
        shape.lineTo (x0 + (float) i, yOf (peaks[(size_t) i].second));

    for (int i = n - 1; i >= 0; --i)
        shape.lineTo (x0 + (float) i, yOf (peaks[(size_t) i].first));

    shape.closeSubPath();

    const auto flashAmount = flashPhase < 1.0f ? 1.0f - flashPhase : 0.0f;
    g.setColour (Palette::accent().interpolatedWith (Palette::accentBright(), flashAmount));
    g.strokePath (shape, juce::PathStrokeType (1.2f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}

void WaveformDisplay::resized()
{
    computePeaks();
}

void WaveformDisplay::mouseDown (const juce::MouseEvent&)
{
    // The whole square counts, the corners outside the circle too.
    pressed = true;
    dragStarted = false;

    if (keyboardState != nullptr)
        keyboardState->noteOn (padChannel, padNote, padVelocity);

    repaint();
}

void WaveformDisplay::mouseDrag (const juce::MouseEvent& event)
{
    if (dragStarted || ! onDragOut)
        return;

    if (isInsideCircle (event.position))
        return;

    // The note is released before the drag-out starts; the release then sends no second one.
    dragStarted = true;
    sendNoteOff();
    pressed = false;
    repaint();
    onDragOut();
}

void WaveformDisplay::mouseUp (const juce::MouseEvent&)
{
    if (pressed)
        sendNoteOff();

    pressed = false;
    dragStarted = false;
    repaint();
}

void WaveformDisplay::sendNoteOff()
{
    if (keyboardState != nullptr)
        keyboardState->noteOff (padChannel, padNote, 0.0f);
}
} // namespace vyl
