#include "ui/kit/ExternalFileDrag.h"

namespace vyl
{
juce::String dragFileUrl (const juce::String& path)
{
    return juce::URL (juce::File (path)).toString (false);
}

juce::String fileDragOffer (const juce::String& path)
{
    // JUCE's X11 drag puts "file://" before a plain path as it stands; the drag-out path
    // always holds spaces and may hold "%" or letters beyond ASCII, so it gets the URL,
    // which JUCE passes on unchanged.
#if JUCE_LINUX || JUCE_BSD
    return dragFileUrl (path);
#else
    return path;
#endif
}

bool startExternalFileDrag (const juce::String& path)
{
    return juce::DragAndDropContainer::performExternalDragDropOfFiles (juce::StringArray (fileDragOffer (path)), false);
}

std::function<void()> makeDragOutHandler (std::function<juce::String()> exportFile, FileDragStarter startDrag)
{
    return [exportFile = std::move (exportFile), startDrag = std::move (startDrag)]
    {
        if (! exportFile || ! startDrag)
            return;

        const auto path = exportFile();

        if (path.isEmpty() || ! juce::File::isAbsolutePath (path) || ! juce::File (path).existsAsFile())
            return;

        startDrag (path);
    };
}
} // namespace vyl
