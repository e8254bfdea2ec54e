#pragma once

#include "engine/ZobAudioProcessor.h"
#include "ui/editor/ZobAudioProcessorEditor.h"
#include "ui/editor/ZobEditorContent.h"

#include "engine/ParameterIds.h"
#include "support/AudioFiles.h"
#include "support/MessageLoop.h"
#include "support/TestEnvironment.h"
#include "ui/UiTestHelpers.h"

#include <memory>

namespace zobtest
{
/** The real editor on a real processor, inside a fresh HOME and TMPDIR. The factory kicks
    are those rendered beside the test program; the user kick folder starts empty. The
    colour scheme in force before is put back at the end. */
struct EditorFixture
{
    EditorFixture() { editor.reset (static_cast<ZobAudioProcessorEditor*> (processor.createEditor())); }

    ~EditorFixture()
    {
        editor.reset();
        runPendingMessages();
    }

    ZobEditorContent& content() { return editor->content; }

    float value (const juce::String& id) const { return processor.getParameterValue (id, -1000.0f); }
    void setValue (const juce::String& id, float v) { processor.setParameterWithGesture (id, v); }

    /** Sets the four shaping controls away from their defaults. */
    void moveShaping()
    {
        setValue (ParameterIds::transientAmount, 0.5f);
        setValue (ParameterIds::punchAmount, 0.25f);
        setValue (ParameterIds::lengthAmount, 0.4f);
        setValue (ParameterIds::toneAmount, -0.3f);
    }

    bool shapingAtDefaults() const
    {
        return value (ParameterIds::transientAmount) == 0.0f && value (ParameterIds::punchAmount) == 0.0f
               && value (ParameterIds::lengthAmount) == 1.0f && value (ParameterIds::toneAmount) == 0.0f;
    }

    /** A small readable kick file (a decaying sine) at path. */
    static juce::File writeKick (const juce::File& file, double hz = 55.0)
    {
        file.getParentDirectory().createDirectory();
        writeWavFile (file, makeSineKick (1, 8820, 44100.0, hz), 44100.0, 16);
        return file;
    }

    bool key (int code, juce::ModifierKeys mods = {}) { return content().keyPressed (juce::KeyPress (code, mods, 0)); }

    /** A click of the canvas itself at a canvas point (not of the child there). */
    void clickCanvas (juce::Point<int> point)
    {
        content().mouseDown (mouseEventAt (content(), point.toFloat()));
        content().mouseUp (mouseEventAt (content(), point.toFloat()));
    }

    juce::File userKicks() const { return home.userFolder().getChildFile ("User Kicks"); }

    ScopedScheme scheme { uiDarkModeFlag };
    ScopedTempHome home;
    ZobAudioProcessor processor;
    std::unique_ptr<ZobAudioProcessorEditor> editor;
};
} // namespace zobtest
