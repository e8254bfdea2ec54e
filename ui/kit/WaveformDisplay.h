#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <utility>
#include <vector>

namespace vyl
{
/** The round KICK pad: shows the loaded kick's waveform inside a circle, plays the kick
    when pressed, flashes after every trigger and hands the processed kick out when a
    press is dragged out of the circle.

    A press sends note 60 on channel 1 at velocity 1.0 into keyboardState (the processor's,
    which the audio thread merges into its MIDI); the release, or leaving the circle, sends
    the note-off. The owner sets keyboardState, onDragOut and the tooltip after
    construction, gives it each newly loaded kick through setBuffer, and drives flashPhase
    from its own timer (repainting the pad after each change). The pad knows nothing of
    files or parameters. Message thread only.
*/
class WaveformDisplay : public juce::Component,
                        public juce::SettableTooltipClient
{
public:
    WaveformDisplay();
    ~WaveformDisplay() override;

    /** Shows the mean of the source's channels; a source without channels or samples
        clears the pad. Reuses the mono buffer's memory where it is large enough. */
    void setBuffer (const juce::AudioBuffer<float>& source);

    /** Shows no kick and gives the mono buffer's memory back. */
    void clearBuffer();

    /** True when point (in the pad's own coordinates) lies on or inside the circle. */
    bool isInsideCircle (juce::Point<float> point) const noexcept;

    const std::vector<std::pair<float, float>>& getPeaks() const noexcept { return peaks; }
    const juce::AudioBuffer<float>& getMonoBuffer() const noexcept { return monoBuffer; }
    bool isPressed() const noexcept { return pressed; }
    bool hasDragStarted() const noexcept { return dragStarted; }

    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;
    void resized() override;

    /** Not owned; null sends no notes. */
    juce::MidiKeyboardState* keyboardState = nullptr;

    /** Progress of the trigger flash: 0 at a trigger, rising to 1; 1 shows no flash. */
    float flashPhase = 1.0f;

    /** Called once per press, when the press leaves the circle (after its note-off). */
    std::function<void()> onDragOut;

    static constexpr int padNote = 60;
    static constexpr int padChannel = 1;
    static constexpr float padVelocity = 1.0f;

private:
    std::vector<std::pair<float, float>> peaks; // (min, max) per waveform column
    juce::AudioBuffer<float> monoBuffer;
    bool pressed = false;
    bool dragStarted = false;

    void computePeaks();
    void sendNoteOff();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WaveformDisplay)
};
} // namespace vyl
