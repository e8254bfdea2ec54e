#include "UiTestHelpers.h"
#include "ui/kit/ExternalFileDrag.h"
#include "ui/kit/Palette.h"
#include "ui/kit/WaveformDisplay.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace
{
juce::AudioBuffer<float> bufferOf (std::initializer_list<std::vector<float>> channels)
{
    juce::AudioBuffer<float> buffer ((int) channels.size(), (int) channels.begin()->size());
    int c = 0;
    for (const auto& samples : channels)
    {
        for (size_t i = 0; i < samples.size(); ++i)
            buffer.setSample (c, (int) i, samples[i]);
        ++c;
    }
    return buffer;
}

/** Records every note the pad sends into the keyboard state. */
struct NoteLog : juce::MidiKeyboardState::Listener
{
    struct Note
    {
        bool on;
        int channel, note;
        float velocity;
    };

    void handleNoteOn (juce::MidiKeyboardState*, int channel, int note, float velocity) override { notes.push_back ({ true, channel, note, velocity }); }
    void handleNoteOff (juce::MidiKeyboardState*, int channel, int note, float velocity) override { notes.push_back ({ false, channel, note, velocity }); }

    std::vector<Note> notes;
};

struct PadFixture
{
    PadFixture()
    {
        pad.setBounds (0, 0, 214, 214);
        pad.keyboardState = &keyboard;
        keyboard.addListener (&log);
        pad.onDragOut = [this]
        { dragsOut.push_back (keyboard.isNoteOn (1, 60)); };
    }

    ~PadFixture() { keyboard.removeListener (&log); }

    void down (float x, float y) { pad.mouseDown (zobtest::mouseEventAt (pad, { x, y })); }
    void drag (float x, float y) { pad.mouseDrag (zobtest::mouseEventAt (pad, { x, y })); }
    void up (float x, float y) { pad.mouseUp (zobtest::mouseEventAt (pad, { x, y })); }

    juce::MidiKeyboardState keyboard;
    NoteLog log;
    vyl::WaveformDisplay pad;
    std::vector<bool> dragsOut; // whether the note was still on when each drag-out started
};
} // namespace

TEST (WaveformDisplay, ShowsTheMeanOfAllChannels)
{
    vyl::WaveformDisplay pad;
    pad.setBounds (0, 0, 214, 214);

    pad.setBuffer (bufferOf ({ { 0.2f, -0.4f, 1.0f }, { 0.6f, 0.0f, -1.0f } }));
    ASSERT_EQ (pad.getMonoBuffer().getNumChannels(), 1);
    EXPECT_FLOAT_EQ (pad.getMonoBuffer().getSample (0, 0), 0.4f);
    EXPECT_FLOAT_EQ (pad.getMonoBuffer().getSample (0, 1), -0.2f);
    EXPECT_FLOAT_EQ (pad.getMonoBuffer().getSample (0, 2), 0.0f);

    pad.setBuffer (bufferOf ({ { 1.0f }, { 0.5f }, { -0.5f }, { 0.2f } }));
    ASSERT_EQ (pad.getMonoBuffer().getNumSamples(), 1);
    EXPECT_FLOAT_EQ (pad.getMonoBuffer().getSample (0, 0), 0.3f);

    // An empty source clears the pad.
    pad.setBuffer (juce::AudioBuffer<float> (2, 0));
    EXPECT_EQ (pad.getMonoBuffer().getNumChannels(), 0);
    EXPECT_TRUE (pad.getPeaks().empty());
}

TEST (WaveformDisplay, PeaksHaveOneColumnPerPixelOfTheWaveformWidth)
{
    vyl::WaveformDisplay pad;
    pad.setBounds (0, 0, 214, 214);

    // 100 samples on 196 columns: column i covers sample floor(i * 100 / 196) only.
    std::vector<float> ramp (100);
    for (int i = 0; i < 100; ++i)
        ramp[(size_t) i] = (i % 2 == 0 ? 1.0f : -1.0f) * (float) i / 100.0f;
    pad.setBuffer (bufferOf ({ ramp }));

    const auto& peaks = pad.getPeaks();
    ASSERT_EQ (peaks.size(), 196u);
    for (size_t i = 0; i < peaks.size(); ++i)
    {
        const auto sample = ramp[(i * 100) / 196];
        EXPECT_FLOAT_EQ (peaks[i].first, juce::jmin (sample, 0.0f)) << i; // positive columns keep min 0
        EXPECT_FLOAT_EQ (peaks[i].second, juce::jmax (sample, 0.0f)) << i; // negative ones keep max 0
    }

    // Longer kicks: each column holds the extremes of its own stretch of samples.
    std::vector<float> longKick (1960, 0.1f);
    longKick[15] = 0.9f;
    longKick[16] = -0.7f;
    pad.setBuffer (bufferOf ({ longKick }));
    EXPECT_FLOAT_EQ (pad.getPeaks()[1].second, 0.9f);
    EXPECT_FLOAT_EQ (pad.getPeaks()[1].first, -0.7f);
    EXPECT_FLOAT_EQ (pad.getPeaks()[2].first, 0.0f);
    EXPECT_FLOAT_EQ (pad.getPeaks()[2].second, 0.1f);

    pad.setSize (100, 100); // the column count follows the size
    EXPECT_EQ (pad.getPeaks().size(), 92u);

    pad.clearBuffer();
    EXPECT_TRUE (pad.getPeaks().empty());
}

TEST (WaveformDisplay, PressPlaysAndReleaseStops)
{
    PadFixture f;
    f.down (107.0f, 107.0f);
    EXPECT_TRUE (f.pad.isPressed());
    ASSERT_EQ (f.log.notes.size(), 1u);
    EXPECT_TRUE (f.log.notes[0].on);
    EXPECT_EQ (f.log.notes[0].channel, 1);
    EXPECT_EQ (f.log.notes[0].note, 60);
    EXPECT_FLOAT_EQ (f.log.notes[0].velocity, 1.0f);

    f.drag (150.0f, 150.0f); // still inside the circle
    EXPECT_TRUE (f.dragsOut.empty());
    EXPECT_TRUE (f.keyboard.isNoteOn (1, 60));

    f.up (150.0f, 150.0f);
    EXPECT_FALSE (f.pad.isPressed());
    ASSERT_EQ (f.log.notes.size(), 2u);
    EXPECT_FALSE (f.log.notes[1].on);
    EXPECT_EQ (f.log.notes[1].note, 60);
    EXPECT_FALSE (f.keyboard.isNoteOn (1, 60));
}

TEST (WaveformDisplay, DraggingOutReleasesTheNoteOnceThenStartsTheDrag)
{
    PadFixture f;
    f.down (107.0f, 107.0f);
    f.drag (107.0f, 0.5f); // 106.5 from the centre: inside
    EXPECT_TRUE (f.dragsOut.empty());
    f.drag (220.0f, 107.0f); // out of the circle
    ASSERT_EQ (f.dragsOut.size(), 1u);
    EXPECT_FALSE (f.dragsOut[0]) << "the note must be off before the drag-out starts";
    EXPECT_FALSE (f.pad.isPressed());
    EXPECT_TRUE (f.pad.hasDragStarted());

    f.drag (300.0f, 300.0f); // further drags do nothing
    f.up (300.0f, 300.0f); // and the release sends no second note-off
    EXPECT_EQ (f.dragsOut.size(), 1u);
    ASSERT_EQ (f.log.notes.size(), 2u);
    EXPECT_FALSE (f.pad.hasDragStarted());

    // A corner press is a press; its first drag event, still outside the circle, drags out.
    f.down (2.0f, 2.0f);
    EXPECT_TRUE (f.keyboard.isNoteOn (1, 60));
    f.drag (3.0f, 3.0f);
    EXPECT_EQ (f.dragsOut.size(), 2u);
    EXPECT_FALSE (f.keyboard.isNoteOn (1, 60));
    EXPECT_EQ (f.log.notes.size(), 4u);
}

TEST (WaveformDisplay, WithoutCallbackOrKeyboardNothingBreaks)
{
    PadFixture f;
    f.pad.onDragOut = nullptr;
    f.down (107.0f, 107.0f);
    f.drag (250.0f, 250.0f); // no drag-out: the press keeps its note
    EXPECT_TRUE (f.pad.isPressed());
    EXPECT_TRUE (f.keyboard.isNoteOn (1, 60));
    f.up (250.0f, 250.0f);
    EXPECT_FALSE (f.keyboard.isNoteOn (1, 60));

    f.pad.keyboardState = nullptr;
    f.down (107.0f, 107.0f);
    EXPECT_TRUE (f.pad.isPressed());
    f.up (107.0f, 107.0f);
    EXPECT_EQ (f.log.notes.size(), 2u);
    EXPECT_FALSE (f.pad.isPressed());
}

TEST (WaveformDisplay, CircleTest)
{
    vyl::WaveformDisplay pad;
    pad.setBounds (0, 0, 214, 214);
    EXPECT_TRUE (pad.isInsideCircle ({ 107.0f, 0.0f }));
    EXPECT_TRUE (pad.isInsideCircle ({ 107.0f, 107.0f }));
    EXPECT_FALSE (pad.isInsideCircle ({ 107.0f, -0.1f }));
    EXPECT_FALSE (pad.isInsideCircle ({ 10.0f, 10.0f }));
}

TEST (WaveformDisplay, DiscFlashAndWaveformColours)
{
    for (const auto dark : { true, false })
    {
        const zobtest::ScopedScheme scheme (dark);
        vyl::WaveformDisplay pad;
        pad.setBounds (0, 0, 214, 214);

        std::vector<float> kick (4000);
        for (size_t i = 0; i < kick.size(); ++i)
            kick[i] = std::sin ((float) i * 0.05f) * std::exp (-(float) i / 1200.0f);
        pad.setBuffer (bufferOf ({ kick }));

        const auto background = juce::Colour (dark ? 0xff1d1c1b : 0xffc5c3ba);
        const juce::Point<int> discPoint (107, 180); // inside the disc, away from the waveform and label

        auto idle = zobtest::render (pad, background);
        zobtest::saveSnapshot (idle, dark ? "pad-dark" : "pad-light");
        EXPECT_EQ (idle.getPixelAt (discPoint.x, discPoint.y), vyl::Palette::panel());
        EXPECT_EQ (idle.getPixelAt (1, 1), background); // the corners are not drawn

        // Pressed: the disc darkens by 0.25.
        PadFixture f;
        f.down (107.0f, 107.0f);
        f.pad.setBuffer (bufferOf ({ kick }));
        const auto pressed = zobtest::render (f.pad, background);
        EXPECT_EQ (pressed.getPixelAt (discPoint.x, discPoint.y).getARGB(), dark ? 0xff11100fu : 0xff191a17u);
        f.up (107.0f, 107.0f);

        // At the trigger: accent at alpha 41 over the disc, the waveform fully accentBright.
        pad.flashPhase = 0.0f;
        auto flash = zobtest::render (pad, background);
        zobtest::saveSnapshot (flash, dark ? "pad-flash-dark" : "pad-flash-light");
        const auto washed = vyl::Palette::panel().overlaidWith (vyl::Palette::accent().withAlpha ((juce::uint8) 41));
        EXPECT_LE (zobtest::colourDistance (flash.getPixelAt (discPoint.x, discPoint.y), washed), 1);

        auto countNear = [] (const juce::Image& image, juce::Colour colour)
        {
            int count = 0;
            for (int y = 30; y < 184; ++y)
                for (int x = 8; x < 206; ++x)
                    if (zobtest::colourDistance (image.getPixelAt (x, y), colour) <= 3)
                        ++count;
            return count;
        };

        EXPECT_GT (countNear (flash, vyl::Palette::accentBright()), 100);
        EXPECT_EQ (countNear (flash, vyl::Palette::accent()), 0);
        EXPECT_GT (countNear (idle, vyl::Palette::accent()), 100);
        EXPECT_EQ (countNear (idle, vyl::Palette::accentBright()), 0);

        // Halfway: the wash is gone, the waveform halfway between the two.
        pad.flashPhase = 0.5f;
        const auto half = zobtest::render (pad, background);
        EXPECT_EQ (half.getPixelAt (discPoint.x, discPoint.y), vyl::Palette::panel());
        EXPECT_GT (countNear (half, vyl::Palette::accent().interpolatedWith (vyl::Palette::accentBright(), 0.5f)), 100);
    }
}

TEST (WaveformDisplay, WaveformHeightIsLimitedAtFullAmplitude)
{
    const zobtest::ScopedScheme scheme (true);
    vyl::WaveformDisplay pad;
    pad.setBounds (0, 0, 214, 214);

    // The first half peaks at half the full-amplitude sample (0.425), the second dips to twice
    // it (-1.7), which is drawn no lower than -0.85 would be.
    std::vector<float> kick (3920, 0.425f);
    std::fill (kick.begin() + 1960, kick.end(), -1.7f);
    pad.setBuffer (bufferOf ({ kick }));
    const auto image = zobtest::render (pad, juce::Colours::black);
    zobtest::saveSnapshot (image, "pad-amplitude");

    // Amplitude 0.31 d = 66.34 px around the centre 107, stroked 1.2 px wide: the top edge
    // runs along y = 107 - 33.17 = 73.83 and the bottom one along y = 107 + 66.34 = 173.34.
    struct Probe
    {
        int x, y;
        bool stroke;
    };
    const Probe probes[] = {
        { 60, 72, false },
        { 60, 73, true },
        { 60, 75, false },
        { 150, 171, false },
        { 150, 173, true },
        { 150, 174, false },
    };

    for (const auto& p : probes)
    {
        const auto pixel = image.getPixelAt (p.x, p.y);
        if (p.stroke)
            EXPECT_LE (zobtest::colourDistance (pixel, vyl::Palette::accent()), 60) << p.x << "," << p.y;
        else
            EXPECT_EQ (pixel, vyl::Palette::panel()) << p.x << "," << p.y;
    }
}

TEST (WaveformDisplay, EmptyPadStillDrawsDiscAndCentreLine)
{
    const zobtest::ScopedScheme scheme (true);
    vyl::WaveformDisplay pad;
    pad.setBounds (0, 0, 214, 214);
    const auto image = zobtest::render (pad, juce::Colours::black);
    zobtest::saveSnapshot (image, "pad-empty");
    // The 1 px centre line sits on y = 107 and so covers half of rows 106 and 107.
    const auto halfLine = vyl::Palette::panel().interpolatedWith (juce::Colour (0xff68635cu), 0.5f);
    EXPECT_LE (zobtest::colourDistance (image.getPixelAt (107, 106), halfLine), 6);
    EXPECT_LE (zobtest::colourDistance (image.getPixelAt (107, 107), halfLine), 6);
    EXPECT_EQ (image.getPixelAt (5, 107), vyl::Palette::panel()); // the line stops 0.04 d from the rim
    EXPECT_EQ (image.getPixelAt (107, 60), vyl::Palette::panel());
}

TEST (DragOutHandler, StartsADragOnlyForAnExistingFile)
{
    zobtest::ScopedTempHome home;
    const auto file = home.temp().getChildFile ("Deep Kick (ZOB).wav");
    ASSERT_TRUE (file.replaceWithText ("RIFF"));

    juce::String exported;
    juce::StringArray started;
    auto handler = vyl::makeDragOutHandler ([&exported]
                                            { return exported; },
                                            [&started] (const juce::String& path)
                                            { started.add (path); return true; });

    for (const auto& failed : { juce::String(), home.temp().getChildFile ("missing.wav").getFullPathName(), home.temp().getFullPathName(), juce::String ("relative.wav") })
    {
        exported = failed;
        handler();
    }
    EXPECT_TRUE (started.isEmpty());

    exported = file.getFullPathName();
    handler();
    EXPECT_EQ (started, juce::StringArray (file.getFullPathName()));

    // Wired to the pad, the export runs when a press leaves the circle.
    vyl::WaveformDisplay pad;
    pad.setBounds (0, 0, 214, 214);
    pad.onDragOut = handler;
    pad.mouseDown (zobtest::mouseEventAt (pad, { 107.0f, 107.0f }));
    pad.mouseDrag (zobtest::mouseEventAt (pad, { 250.0f, 107.0f }));
    EXPECT_EQ (started.size(), 2);
}

TEST (WaveformDisplay, FlashWashFadesOutInTheFirstThirdOfTheFlash)
{
    // The wash's strength is 1 - 3 x phase: a quarter in, accent at alpha 10 (0.25 x 0.16 x
    // 255 rounded); just past a third, nothing.
    const zobtest::ScopedScheme scheme (true);
    vyl::WaveformDisplay pad;
    pad.setBounds (0, 0, 214, 214);
    const juce::Point<int> discPoint (107, 180);

    pad.flashPhase = 0.25f;
    const auto quarter = zobtest::render (pad, juce::Colours::black).getPixelAt (discPoint.x, discPoint.y);
    const auto washed = vyl::Palette::panel().overlaidWith (vyl::Palette::accent().withAlpha ((juce::uint8) 10));
    EXPECT_LE (zobtest::colourDistance (quarter, washed), 1);
    EXPECT_GE (zobtest::colourDistance (quarter, vyl::Palette::panel()), 6);

    pad.flashPhase = 0.34f;
    EXPECT_EQ (zobtest::render (pad, juce::Colours::black).getPixelAt (discPoint.x, discPoint.y), vyl::Palette::panel());
}
