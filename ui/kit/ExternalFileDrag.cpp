#include "ui/kit/ExternalFileDrag.h"

namespace vyl
{
bool startExternalFileDrag (const juce::String& path)
{
    return juce::DragAndDropContainer::performExternalDragDropOfFiles (juce::StringArray (path), false);
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
