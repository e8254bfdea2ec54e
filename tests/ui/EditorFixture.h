#pragma once

#include "engine/ZobAudioProcessor.h"
#include "ui/editor/ZobAudioProcessorEditor.h"
#include "ui/editor/ZobEditorContent.h"

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

    juce::File userKicks() const { return home.userFolder().getChildFile ("User Kicks"); }

    ScopedScheme scheme { uiDarkModeFlag };
    ScopedTempHome home;
    ZobAudioProcessor processor;
    std::unique_ptr<ZobAudioProcessorEditor> editor;
};
} // namespace zobtest
