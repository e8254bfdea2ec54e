// The knobs, TUNE and OUTPUT, their labels, the header buttons, the undo step of each
// control gesture and the kick bar's tooltips, on the real editor.

#include "ui/EditorFixture.h"

#include <gtest/gtest.h>

namespace
{
using Content = ZobEditorContent;

KickPitchResult pitchOf (int note, float cents, bool approx)
{
    KickPitchResult result;
    result.valid = true;
    result.note = note;
    result.hz = 440.0 * std::pow (2.0, (note - 69 + cents / 100.0) / 12.0);
    result.cents = cents;
    result.approx = approx;
    return result;
}

void fakePitch (ZobAudioProcessor& processor, const KickPitchResult& result)
{
    const juce::SpinLock::ScopedLockType lock (processor.kickPitchLock);
    processor.kickPitch = result;
}

juce::MouseWheelDetails wheelOf (float deltaX, float deltaY, bool reversed = false)
{
    juce::MouseWheelDetails wheel;
    wheel.deltaX = deltaX;
    wheel.deltaY = deltaY;
    wheel.isReversed = reversed;
    wheel.isSmooth = false;
    wheel.isInertial = false;
    return wheel;
}

/** Drives one slider as the mouse would, with the button held during presses. */
struct SliderHand
{
    juce::Slider& slider;
    juce::int64 ms = 1000000;

    juce::MouseEvent event (juce::ModifierKeys mods)
    {
        ms += 10;
        return zobtest::mouseEventAt (slider, slider.getLocalBounds().getCentre().toFloat(), mods, juce::Time (ms));
    }

    void click()
    {
        const zobtest::ScopedModifiers held (juce::ModifierKeys::leftButtonModifier);
        slider.mouseDown (event (juce::ModifierKeys::leftButtonModifier));
        slider.mouseUp (event (juce::ModifierKeys::leftButtonModifier));
    }

    void doubleClick()
    {
        const zobtest::ScopedModifiers held (juce::ModifierKeys::leftButtonModifier);
        const auto down = juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier);
        slider.mouseDown (event (down));
        slider.mouseUp (event (down));
        slider.mouseDown (event (down));
        slider.mouseDoubleClick (event (down));
        slider.mouseUp (event (down));
    }

    void wheel (float deltaY, juce::ModifierKeys mods = {}) { slider.mouseWheelMove (event (mods), wheelOf (0.0f, deltaY)); }
};
} // namespace

TEST (EditorControls, ValueTextsFollowTheirRules)
{
    struct Case
    {
        juce::String (*format) (double);
        double value;
        const char* text;
    };

    const Case cases[] = {
        { Content::formatPercent, 0.5, "50%" },
        { Content::formatPercent, 0.0, "0%" },
        { Content::formatPercent, 0.125, "12%" }, // halves to even
        { Content::formatPercent, 0.135, "14%" },
        { Content::formatSignedPercent, 0.25, "+25%" },
        { Content::formatSignedPercent, -0.4, "-40%" },
        { Content::formatSignedPercent, 0.004, "0" },
        { Content::formatSignedPercent, -0.004, "0" },
        { Content::formatTune, 3.0, "+3 st" },
        { Content::formatTune, -12.0, "-12 st" },
        { Content::formatTune, 0.5, "+0.5 st" },
        { Content::formatTune, -1.25, "-1.25 st" },
        { Content::formatTune, 1.10, "+1.1 st" },
        { Content::formatTune, 0.004, "0 st" },
        { Content::formatTune, -0.004, "0 st" },
        { Content::formatTune, -0.005, "-0.01 st" },
        { Content::formatOutput, -60.0, "-INF" },
        { Content::formatOutput, -59.9, "-INF" },
        { Content::formatOutput, -59.8, "-59.8 dB" },
        { Content::formatOutput, -6.5, "-6.5 dB" },
        { Content::formatOutput, 0.0, "0.0 dB" },
        { Content::formatOutput, 3.0, "3.0 dB" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (c.format (c.value), juce::String (c.text)) << c.value;

    // The labels follow their parameters, whoever moves them.
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    fixture.setValue (ParameterIds::toneAmount, -0.4f);
    fixture.setValue (ParameterIds::lengthAmount, 0.125f);
    fixture.setValue (ParameterIds::tuneSemitones, -1.25f);
    fixture.setValue (ParameterIds::outputGainDb, -6.5f);
    EXPECT_EQ (content.knobs[3]->valueLabel.getText(), "-40%");
    EXPECT_EQ (content.knobs[2]->valueLabel.getText(), "12%");
    EXPECT_EQ (content.tuneValueLabel.getText(), "-1.25 st");
    EXPECT_EQ (content.outputValueLabel.getText(), "-6.5 dB");
}

TEST (EditorControls, KnobsInOrderWithTheirDefaultsAndTooltips)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    ASSERT_EQ (content.knobs.size(), 4);

    const char* titles[] = { "TRANSIENT", "PUNCH", "LENGTH", "TONE" };
    const double defaults[] = { 0.0, 0.0, 1.0, 0.0 };
    const char* values[] = { "0%", "0%", "100%", "0" };

    for (int i = 0; i < 4; ++i)
    {
        auto& knob = *content.knobs[i];
        EXPECT_EQ (knob.titleLabel.getText(), titles[i]);
        EXPECT_EQ (knob.valueLabel.getText(), values[i]);
        EXPECT_EQ (knob.slider.getDoubleClickReturnValue(), defaults[i]);
        EXPECT_TRUE (knob.slider.getTooltip().startsWith (titles[i]));
    }

    EXPECT_FALSE (content.knobs[2]->slider.getTooltip().contains ("Double-click"));
    EXPECT_EQ (content.tuneSlider.getDoubleClickReturnValue(), 0.0);
    EXPECT_EQ (content.outputSlider.getDoubleClickReturnValue(), 0.0);
    EXPECT_TRUE (content.gearButton.getTooltip().startsWith ("Settings: "));
    EXPECT_EQ (content.undoButton.getTooltip(), "Undo the last change");
    EXPECT_EQ (content.redoButton.getTooltip(), "Redo");

    // Alt-click resets in one click.
    fixture.setValue (ParameterIds::punchAmount, 0.6f);
    SliderHand hand { content.knobs[1]->slider };
    const auto altDown = juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier | juce::ModifierKeys::altModifier);
    const zobtest::ScopedModifiers held (altDown);
    content.knobs[1]->slider.mouseDown (hand.event (altDown));
    content.knobs[1]->slider.mouseUp (hand.event (altDown));
    EXPECT_EQ (fixture.value (ParameterIds::punchAmount), 0.0f);
}

TEST (EditorControls, KickBarTooltipsAtCanvasPoints)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    ASSERT_TRUE (fixture.processor.samplePath.isNotEmpty());

    const juce::Point<int> badge { 310, 140 }, star { 80, 141 }, name { 200, 141 };

    struct Case
    {
        KickPitchResult pitch;
        float tune;
        const char* text;
    };

    const Case cases[] = {
        { pitchOf (33, 12.4f, false), 0.0f, "Detected key: A1, 12 cents sharp" },
        { pitchOf (33, -7.6f, true), 0.0f, "Detected key: A1, 8 cents flat. The pitch is still moving where it was measured, so this is an estimate." },
        { pitchOf (33, 1.4f, false), 0.0f, "Detected key: A1, 1 cent sharp" },
        { pitchOf (33, -0.6f, false), 0.0f, "Detected key: A1, 1 cent flat" },
        { pitchOf (33, 2.0f, false), 0.0f, "Detected key: A1, 2 cents sharp" },
        { pitchOf (33, -1.6f, true), 0.0f, "Detected key: A1, 2 cents flat. The pitch is still moving where it was measured, so this is an estimate." },
        { pitchOf (33, 0.3f, false), 2.0f, "Detected key: B1" }, // TUNE moves the key
        { KickPitchResult(), 0.0f, "No clear pitch could be found in this kick" },
    };

    for (const auto& c : cases)
    {
        fakePitch (fixture.processor, c.pitch);
        fixture.setValue (ParameterIds::tuneSemitones, c.tune);
        EXPECT_EQ (content.getTooltipAt (badge), juce::String (c.text)) << c.pitch.cents;
    }

    EXPECT_EQ (content.getTooltipAt ({ 30, 140 }), "Previous kick in the list");
    EXPECT_EQ (content.getTooltipAt ({ 379, 159 }), "Next kick in the list");
    EXPECT_EQ (content.getTooltipAt (name), "Click to browse the kicks");
    EXPECT_EQ (content.getTooltipAt ({ 200, 161 }), "");
    EXPECT_EQ (content.getTooltipAt ({ 200, 400 }), "");

    content.isCurrentFavorite = false;
    EXPECT_EQ (content.getTooltipAt (star), "Add this kick to your favorites, so it shows on the FAVORITES tab");
    content.isCurrentFavorite = true;
    EXPECT_EQ (content.getTooltipAt (star), "Remove this kick from your favorites");

    // Without a kick the star has no tooltip of its own; with the browser open, none shows.
    fixture.processor.samplePath.clear();
    EXPECT_EQ (content.getTooltipAt (star), "Click to browse the kicks");
    content.browser.setVisible (true);
    EXPECT_EQ (content.getTooltipAt (name), "");
    EXPECT_EQ (content.getTooltipAt ({ 30, 140 }), "");
}

TEST (EditorControls, ClickCatchersShowTheKickBarTooltipsUnderTheMouse)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    fakePitch (fixture.processor, pitchOf (33, 0.0f, false));

    // JUCE's tooltip window asks the component under the mouse, and only when it is a
    // tooltip client: over the kick name and the star that is a catcher. The editor is not
    // on the desktop, so its canvas lies at the screen's origin.

    struct Case
    {
        ZobEditorContent::ClickCatcher& catcher;
        juce::Point<int> point;
        const char* text;
    };

    const Case cases[] = {
        { content.starCatcher, { 81, 141 }, "Add this kick to your favorites, so it shows on the FAVORITES tab" },
        { content.kickNameCatcher, { 200, 141 }, "Click to browse the kicks" },
        { content.kickNameCatcher, { 311, 141 }, "Detected key: A1" },
    };

    for (const auto& c : cases)
    {
        juce::Desktop::setMousePosition (content.localPointToGlobal (c.point));
        ASSERT_EQ (content.getComponentAt (c.point), &c.catcher);
        auto* client = dynamic_cast<juce::TooltipClient*> (&c.catcher);
        ASSERT_NE (client, nullptr);
        EXPECT_EQ (client->getTooltip(), juce::String (c.text));
    }
}

TEST (EditorControls, HeaderButtonsUndoRedoRandomiseAndCompare)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    auto& processor = fixture.processor;
    EXPECT_FALSE (content.undoButton.isEnabled());
    EXPECT_FALSE (content.redoButton.isEnabled());

    // Randomise rolls the four shaping controls only, one undo step per press.
    fixture.setValue (ParameterIds::tuneSemitones, 3.0f);
    fixture.setValue (ParameterIds::outputGainDb, -6.0f);
    const auto kick = processor.samplePath;

    for (int press = 1; press <= 3; ++press)
    {
        content.randomiseButton.onClick();
        EXPECT_EQ (processor.undoStack.size(), (size_t) press);
        EXPECT_EQ (fixture.value (ParameterIds::tuneSemitones), 3.0f);
        EXPECT_NEAR (fixture.value (ParameterIds::outputGainDb), -6.0f, 1.0e-4f);
        EXPECT_EQ (processor.samplePath, kick);
    }

    EXPECT_FALSE (fixture.shapingAtDefaults());
    EXPECT_TRUE (content.undoButton.isEnabled());
    EXPECT_FALSE (content.redoButton.isEnabled());

    for (int i = 0; i < 3; ++i)
        content.undoButton.onClick();

    EXPECT_TRUE (fixture.shapingAtDefaults());
    EXPECT_FALSE (content.undoButton.isEnabled());
    EXPECT_TRUE (content.redoButton.isEnabled());

    content.redoButton.onClick();
    EXPECT_TRUE (content.undoButton.isEnabled());

    // Changes made elsewhere show within one tick.
    processor.undoStack.clear();
    processor.redoStack.clear();
    EXPECT_TRUE (content.undoButton.isEnabled());
    content.timerCallback();
    EXPECT_FALSE (content.undoButton.isEnabled());
    EXPECT_FALSE (content.redoButton.isEnabled());

    // Compare: each click flips the processor's flag; the button starts from it.
    EXPECT_FALSE (content.compareButton.getToggleState());

    for (const auto expected : { true, false })
    {
        content.compareButton.triggerClick();
        zobtest::runPendingMessages();
        EXPECT_EQ (processor.compareEnabled.load(), expected);
        EXPECT_EQ (content.compareButton.getToggleState(), expected);
    }

    processor.compareEnabled = true;
    fixture.editor.reset (static_cast<ZobAudioProcessorEditor*> (processor.createEditor()));
    EXPECT_TRUE (fixture.content().compareButton.getToggleState());
}

TEST (EditorControls, EachControlGestureIsOneUndoStep)
{
    zobtest::EditorFixture fixture;
    auto& content = fixture.content();
    auto& processor = fixture.processor;
    juce::uint32 now = 5000;
    content.clock = [&now]
    { return now; };

    // JUCE reports a drag start for every press; a click that moves nothing adds no step,
    // and after an undo it leaves the redo side as it was.
    fixture.setValue (ParameterIds::transientAmount, 0.4f);
    processor.pushUndoSnapshot();
    fixture.setValue (ParameterIds::transientAmount, 0.6f);
    processor.undo();
    ASSERT_EQ (processor.redoStack.size(), 1u);

    for (auto* slider : { &content.knobs[0]->slider, &content.knobs[3]->slider, static_cast<juce::Slider*> (&content.tuneSlider) })
    {
        SliderHand hand { *slider };
        hand.click();
        hand.click();
    }

    EXPECT_TRUE (processor.undoStack.empty());
    EXPECT_EQ (processor.redoStack.size(), 1u);
    EXPECT_TRUE (processor.redo());
    EXPECT_FLOAT_EQ (fixture.value (ParameterIds::transientAmount), 0.6f);

    // A double-click reset is one step, and undo brings the value back.
    fixture.setValue (ParameterIds::punchAmount, 0.5f);
    processor.undoStack.clear();
    SliderHand punch { content.knobs[1]->slider };
    punch.doubleClick();
    EXPECT_EQ (fixture.value (ParameterIds::punchAmount), 0.0f);
    EXPECT_EQ (processor.undoStack.size(), 1u);
    processor.undo();
    EXPECT_EQ (fixture.value (ParameterIds::punchAmount), 0.5f);

    // A burst of wheel notches is one gesture; a pause starts the next.
    processor.undoStack.clear();
    SliderHand output { content.outputSlider };
    const auto before = fixture.value (ParameterIds::outputGainDb);

    for (int notch = 0; notch < 5; ++notch)
    {
        output.wheel (50.0f / 256.0f);
        now += 60;
    }

    EXPECT_GT (fixture.value (ParameterIds::outputGainDb), before);
    EXPECT_EQ (processor.undoStack.size(), 1u);

    now += 1000;
    output.wheel (-50.0f / 256.0f);
    EXPECT_EQ (processor.undoStack.size(), 2u);

    // Another control's wheel is another gesture.
    SliderHand length { content.knobs[2]->slider };
    length.wheel (-50.0f / 256.0f);
    EXPECT_EQ (processor.undoStack.size(), 3u);

    processor.undo();
    processor.undo();
    processor.undo();
    EXPECT_NEAR (fixture.value (ParameterIds::outputGainDb), before, 1.0e-4f);

    // TUNE's semitone wheel too: a burst is one step of its own, which undo takes back
    // without the step before it, and which redo pending gives way to.
    processor.undoStack.clear();
    processor.redoStack.clear();
    content.randomiseButton.onClick();
    const auto rolled = fixture.value (ParameterIds::transientAmount);
    now += 1000;
    SliderHand tune { content.tuneSlider };

    for (int notch = 0; notch < 3; ++notch)
    {
        tune.wheel (50.0f / 256.0f);
        now += 60;
    }

    EXPECT_NEAR (fixture.value (ParameterIds::tuneSemitones), 3.0f, 1.0e-4f);
    ASSERT_EQ (processor.undoStack.size(), 2u);
    processor.undo();
    EXPECT_NEAR (fixture.value (ParameterIds::tuneSemitones), 0.0f, 1.0e-4f);
    EXPECT_FLOAT_EQ (fixture.value (ParameterIds::transientAmount), rolled);

    now += 1000;
    tune.wheel (-50.0f / 256.0f);
    EXPECT_NEAR (fixture.value (ParameterIds::tuneSemitones), -1.0f, 1.0e-4f);
    EXPECT_TRUE (processor.redoStack.empty());
    EXPECT_EQ (processor.undoStack.size(), 2u);
}

TEST (EditorControls, TuneWheelStepsWholeSemitonesPerNotch)
{
    zobtest::EditorFixture fixture;
    auto& tune = fixture.content().tuneSlider;
    constexpr auto notch = 50.0f / 256.0f;

    struct Case
    {
        const char* description;
        double start;
        std::vector<juce::MouseWheelDetails> events;
        double end;
    };

    const std::vector<Case> cases = {
        { "one notch up from a fraction", 0.37, { wheelOf (0.0f, notch) }, 1.0 },
        { "one notch down from a fraction", 0.37, { wheelOf (0.0f, -notch) }, -1.0 },
        { "reversed wheel", 2.0, { wheelOf (0.0f, notch, true) }, 1.0 },
        { "wheel to the right (negative deltaX)", 0.0, { wheelOf (-notch, 0.0f) }, 1.0 },
        { "wheel to the left", 0.0, { wheelOf (notch, 0.0f) }, -1.0 },
        { "zero movement", 0.37, { wheelOf (0.0f, 0.0f) }, 0.37 },
        { "a touchpad swipe of ten small events is one notch", 0.0, std::vector<juce::MouseWheelDetails> (10, wheelOf (0.0f, notch / 10.0f)), 1.0 },
        { "half a notch does nothing yet", 5.0, { wheelOf (0.0f, notch / 2.0f) }, 5.0 },
        { "three notches in one event", 0.0, { wheelOf (0.0f, 3.0f * notch) }, 3.0 },
        { "limited to the range", 11.0, { wheelOf (0.0f, 4.0f * notch) }, 12.0 },
    };

    juce::int64 ms = 1000000;

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.description);
        fixture.setValue (ParameterIds::tuneSemitones, (float) c.start);
        ms += 10000; // a pause before every case

        for (const auto& wheel : c.events)
        {
            ms += 15;
            tune.mouseWheelMove (zobtest::mouseEventAt (tune, { 180.0f, 10.0f }, {}, juce::Time (ms)), wheel);
        }

        EXPECT_NEAR (fixture.value (ParameterIds::tuneSemitones), c.end, 1.0e-4);
    }

    // JUCE delivers some events twice with the same time: they count once.
    fixture.setValue (ParameterIds::tuneSemitones, 0.0f);
    const auto twice = zobtest::mouseEventAt (tune, { 180.0f, 10.0f }, {}, juce::Time (ms + 10000));
    tune.mouseWheelMove (twice, wheelOf (0.0f, notch));
    tune.mouseWheelMove (twice, wheelOf (0.0f, notch));
    EXPECT_NEAR (fixture.value (ParameterIds::tuneSemitones), 1.0, 1.0e-4);

    // With Shift the slider's own fine wheel runs.
    {
        const zobtest::ScopedModifiers shift (juce::ModifierKeys::shiftModifier);
        tune.mouseWheelMove (zobtest::mouseEventAt (tune, { 180.0f, 10.0f }, juce::ModifierKeys::shiftModifier, juce::Time (ms + 20000)), wheelOf (0.0f, notch));
    }
    const auto fine = fixture.value (ParameterIds::tuneSemitones);
    EXPECT_GT (fine, 1.0f);
    EXPECT_GT (std::abs (fine - std::round (fine)), 0.01f);

    // Dragging lands on whole semitones unless Shift is held.
    EXPECT_EQ (tune.snapValue (3.4, juce::Slider::absoluteDrag), 3.0);
    EXPECT_EQ (tune.snapValue (-2.5, juce::Slider::absoluteDrag), -3.0);
    const zobtest::ScopedModifiers shift (juce::ModifierKeys::shiftModifier);
    EXPECT_EQ (tune.snapValue (3.4, juce::Slider::absoluteDrag), 3.4);
}
