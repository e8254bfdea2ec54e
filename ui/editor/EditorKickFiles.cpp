// Kick files in and out of the canvas: files dropped on it and chosen with "+  ADD KICKS"
// become user kicks, user kicks are removed from the browser, and the processed kick is
// dragged out of the pad. Each outcome is told by a toast.

#include "engine/ZobAudioProcessor.h"
#include "library/KickFolders.h"
#include "library/UserKickImport.h"
#include "ui/editor/ZobEditorContent.h"

#include <algorithm>

namespace
{
bool hasAcceptedKickExtension (const juce::String& path)
{
    // The extension runs from the last "." after the last separator; folders and names
    // without one never match.
    const auto lastSeparator = juce::jmax (path.lastIndexOfChar ('/'), path.lastIndexOfChar ('\\'));
    const auto lastDot = path.lastIndexOfChar ('.');

    if (lastDot <= lastSeparator)
        return false;

    return getAudioFileExtensions().contains (path.substring (lastDot).toLowerCase());
}
} // namespace

//==============================================================================
bool ZobEditorContent::isInterestedInFileDrag (const juce::StringArray& paths)
{
    // The kick dragged out of the pad crosses this window on its way out: the program's own
    // drag-out files are never imported, so a drag of nothing else is of no interest (no
    // veil, no "Nothing added").
    for (const auto& path : paths)
        if (hasAcceptedKickExtension (path) && ! (juce::File::isAbsolutePath (path) && isInDragTempFolder (juce::File (path))))
            return true;

    return false;
}

void ZobEditorContent::fileDragEnter (const juce::StringArray&, int, int)
{
    isDragOver = true;
    repaint();
}

void ZobEditorContent::fileDragExit (const juce::StringArray&)
{
    isDragOver = false;
    repaint();
}

void ZobEditorContent::filesDropped (const juce::StringArray& paths, int, int)
{
    isDragOver = false;
    juce::StringArray fullPaths;

    for (const auto& path : paths)
        fullPaths.add (juce::File (path).getFullPathName());

    addKicks (fullPaths);
}

void ZobEditorContent::addKicks (const juce::StringArray& paths)
{
    const auto added = ZobAudioProcessor::importUserKicks (paths);
    rebuildKickChooser();

    if (added.isEmpty())
    {
        showToast ("Nothing added");
        return;
    }

    showToast (juce::String (added.size()) + (added.size() == 1 ? " kick added" : " kicks added"));

    if (browser.getCurrentTab() != vyl::PresetBrowserPopup::userTab)
        browser.showUserTab();

    selectKick (juce::File (added[0]));
}

void ZobEditorContent::showToast (const juce::String& text)
{
    toastText = text;
    toastExpiryMs = clock() + toastDurationMs;
    repaint();
}

//==============================================================================
void ZobEditorContent::chooseKicksToAdd()
{
    juce::StringArray patterns;

    for (const auto& extension : getAudioFileExtensions())
        patterns.add ("*" + extension);

        // JUCE's own dialog on Linux: its native one runs zenity, joins a multiple selection
        // with ":" and splits it again, which loses or swaps files whose names hold a ":".
#if JUCE_LINUX || JUCE_BSD
    constexpr bool useNativeDialog = false;
#else
    constexpr bool useNativeDialog = true;
#endif

    addKicksChooser = std::make_unique<juce::FileChooser> ("Choose kicks to add to your ZOB library",
                                                           juce::File(),
                                                           patterns.joinIntoString (";"),
                                                           useNativeDialog);

    const auto chooserFlags = juce::FileBrowserComponent::openMode
                              | juce::FileBrowserComponent::canSelectFiles
                              | juce::FileBrowserComponent::canSelectMultipleItems;

    juce::Component::SafePointer<ZobEditorContent> safeThis (this);

    if (launchChooser)
        launchChooser (*addKicksChooser, chooserFlags, [safeThis] (const juce::FileChooser& chooser)
                       {
                           if (safeThis != nullptr)
                               safeThis->addChosenKicks (chooser); });
}

void ZobEditorContent::addChosenKicks (const juce::FileChooser& chooser)
{
    addChosenFiles (chooser.getURLResults());
}

void ZobEditorContent::addChosenFiles (const juce::Array<juce::URL>& results)
{
    juce::StringArray paths;

    for (const auto& url : results)
    {
        const auto file = url.getLocalFile();

        if (file.getFullPathName().isNotEmpty() && file.existsAsFile())
            paths.add (file.getFullPathName());
    }

    // A cancelled dialog chose nothing: no toast.
    if (! paths.isEmpty())
        addKicks (paths);
}

//==============================================================================
void ZobEditorContent::removeKick (const juce::File& file)
{
    const auto wasCurrent = processor->samplePath.isNotEmpty() && file == juce::File (processor->samplePath);
    const auto name = file.getFileName();

    if (! isUserKick (file) || ! file.existsAsFile() || ! ZobAudioProcessor::deleteUserKick (file))
    {
        showToast ("Could not remove");
        return;
    }

    // Stars are kept by file name: while another listed kick (a factory kick of the same
    // name) still has it, the star stays theirs. Otherwise the name goes out of the shared
    // file as it is now, so a star that another instance took away is not put back.
    const auto nameStillListed = std::any_of (kickFiles.begin(), kickFiles.end(), [&] (const auto& entry)
                                              { return entry.second != file && entry.second.getFileName() == name && entry.second.existsAsFile(); });

    if (! nameStillListed)
        processor->favorites.removeFavorite (name);

    rebuildKickChooser();

    if (wasCurrent && ! kickFiles.empty())
    {
        const auto first = kickFiles.begin()->second;

        if (first.existsAsFile())
            selectKick (first);
    }

    updateFavoriteStar();
    showToast ("Kick removed");
}

void ZobEditorContent::dragOutProcessedKick()
{
    const auto handler = vyl::makeDragOutHandler ([this]
                                                  { return processor->exportKickForDrag(); },
                                                  [this] (const juce::String& path)
                                                  { return dragStarter ? dragStarter (path) : false; });
    handler();
}
