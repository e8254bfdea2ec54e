// The editor opened and closed again and again while the audio thread plays without pause:
// while it is open the pad plays, kicks are chosen, undone and compared, the timers tick and
// the canvas paints. Run under ThreadSanitizer with the program's own code instrumented, and
// in the other builds with the audio thread's trap armed.

#include "engine/ZobAudioProcessor.h"
#include "ui/editor/ZobAudioProcessorEditor.h"
#include "ui/kit/UiDarkModeFlag.h"

#include "support/AudioFiles.h"
#include "support/BlockDriver.h"
#include "support/MessageLoop.h"
#include "support/RealtimeTrap.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

TEST (EditorLifetimeRace, OpeningAndClosingTheEditorWhileTheAudioThreadPlays)
{
    const zobtest::ScopedTempHome home;
    const auto userKicks = home.userFolder().getChildFile ("User Kicks");
    const juce::File kicks[] = { userKicks.getChildFile ("Deep.wav"), userKicks.getChildFile ("Wide.wav") };
    ASSERT_TRUE (zobtest::writeWavFile (kicks[0], zobtest::makeSineKick (1, 17640, 44100.0, 55.0), 44100.0));
    ASSERT_TRUE (zobtest::writeWavFile (kicks[1], zobtest::makeSineKick (2, 14400, 48000.0, 70.0, true), 48000.0));

    const auto previousScheme = uiDarkModeFlag;
    ZobAudioProcessor processor;
    zobtest::RealtimeTrap::allowLocksWithin (&processor.keyboardState, sizeof (processor.keyboardState));
    processor.prepareToPlay (48000.0, 1024);
    ASSERT_TRUE (processor.loadSample (kicks[0]));

    {
        zobtest::AudioThread audio (processor, 1024, 41);

        for (int round = 0; round < 12; ++round)
        {
            std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditor());
            auto& content = static_cast<ZobAudioProcessorEditor&> (*editor).content;

            for (int step = 0; step < 6; ++step)
            {
                const auto centre = content.pad.getLocalBounds().getCentre().toFloat();
                const auto now = juce::Time::getCurrentTime();
                const juce::MouseEvent press (juce::Desktop::getInstance().getMainMouseSource(), centre, {}, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, &content.pad, &content.pad, now, centre, now, 1, false);
                content.pad.mouseDown (press);
                content.pad.mouseUp (press);

                content.selectKick (kicks[(round + step) % 2]);

                if (step == 3)
                    processor.undo();

                content.compareButton.setToggleState (step % 2 == 0, juce::dontSendNotification);
                processor.compareEnabled = content.compareButton.getToggleState();
                content.timerCallback();
                content.outputMeter.timerCallback();

                juce::Image image (juce::Image::ARGB, 400, 710, true, juce::SoftwareImageType());
                juce::Graphics g (image);
                content.paintEntireComponent (g, true);

                zobtest::runPendingMessages();
                std::this_thread::sleep_for (std::chrono::milliseconds (3));
            }

            if (round % 3 == 0)
                static_cast<ZobAudioProcessorEditor&> (*editor).setDarkMode (round % 2 == 0);

            editor.reset();
            zobtest::runPendingMessages();
        }

        processor.compareEnabled = false;
        EXPECT_TRUE (audio.finish());
        EXPECT_EQ (audio.driver.trap.locksTaken, 0u) << audio.driver.trap.report();
    }

    zobtest::RealtimeTrap::clearAllowedLocks();
    EXPECT_TRUE (processor.onStateRestored == nullptr);
    EXPECT_TRUE (processor.keyCache.onChange == nullptr);
    uiDarkModeFlag = previousScheme;
}
