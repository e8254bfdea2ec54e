// Renders the real editor, on a real processor with the factory kicks, to PNG images for the
// README: the canvas in the light and dark schemes, the open kick browser and the settings
// panel. Everything runs inside a private HOME and TMPDIR made for the run, so the images
// show what a new user sees and no settings of this machine are read or written.
//
//   ZobScreenshots OUTPUT_FOLDER   (run under an X server, e.g. xvfb-run)

#include "engine/ParameterIds.h"
#include "engine/ZobAudioProcessor.h"
#include "ui/editor/ZobAudioProcessorEditor.h"
#include "ui/editor/ZobEditorContent.h"

#include "tests/support/MessageLoop.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace
{
/** A fresh folder for HOME and TMPDIR, removed at the end. */
struct PrivateFolders
{
    PrivateFolders()
    {
        char pattern[] = "/tmp/zob-screenshots-XXXXXX";
        if (const auto* made = ::mkdtemp (pattern))
            root = juce::File (juce::String (made));

        ::setenv ("HOME", root.getChildFile ("home").getFullPathName().toRawUTF8(), 1);
        ::setenv ("TMPDIR", root.getChildFile ("tmp").getFullPathName().toRawUTF8(), 1);
        ::unsetenv ("XDG_CONFIG_HOME");
        root.getChildFile ("home").createDirectory();
        root.getChildFile ("tmp").createDirectory();
    }

    ~PrivateFolders() { root.deleteRecursively(); }

    juce::File root;
};

/** Lets the editor's timer, the kick loading and the key detection run for a while. */
void settle (int milliseconds)
{
    zobtest::runMessagesUntil ([]
                               { return false; },
                               milliseconds);
}

bool writePng (juce::Component& component, const juce::File& file)
{
    const auto image = component.createComponentSnapshot (component.getLocalBounds(), true, 1.0f);
    file.deleteFile();
    juce::FileOutputStream out (file);
    juce::PNGImageFormat png;
    const auto written = out.openedOk() && png.writeImageToStream (image, out);
    std::printf ("%s %s\n", written ? "wrote" : "could not write", file.getFullPathName().toRawUTF8());
    return written;
}

/** One editor in one scheme, with a few controls away from their defaults so the knobs and
    the key badge show something. */
bool renderScheme (bool dark, const juce::File& folder)
{
    ZobAudioProcessor processor;
    processor.setUiDarkMode (dark);
    processor.setParameterWithGesture (ParameterIds::transientAmount, 0.55f);
    processor.setParameterWithGesture (ParameterIds::punchAmount, 0.4f);
    processor.setParameterWithGesture (ParameterIds::lengthAmount, 0.7f);
    processor.setParameterWithGesture (ParameterIds::toneAmount, 0.2f);

    std::unique_ptr<ZobAudioProcessorEditor> editor (static_cast<ZobAudioProcessorEditor*> (processor.createEditor()));
    editor->setVisible (true);
    settle (1500);

    const juce::String scheme = dark ? "dark" : "light";
    auto ok = writePng (*editor, folder.getChildFile ("editor-" + scheme + ".png"));

    auto& content = editor->content;
    // The rows' key badges appear as the detection thread finds each kick's pitch.
    content.browser.show();
    settle (2500);
    ok = writePng (*editor, folder.getChildFile ("browser-" + scheme + ".png")) && ok;
    content.browser.close();

    content.toggleSettingsPanel();
    settle (300);
    ok = writePng (*editor, folder.getChildFile ("settings-" + scheme + ".png")) && ok;

    editor.reset();
    settle (50);
    return ok;
}
} // namespace

int main (int argc, char* argv[])
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }

    const auto folder = juce::File::getCurrentWorkingDirectory().getChildFile (juce::String (juce::CharPointer_UTF8 (argv[1])));
    PrivateFolders privateFolders;
    juce::ScopedJuceInitialiser_GUI gui;

    if (! folder.createDirectory())
        return 1;

    auto ok = renderScheme (false, folder);
    ok = renderScheme (true, folder) && ok;
    return ok ? 0 : 1;
}
