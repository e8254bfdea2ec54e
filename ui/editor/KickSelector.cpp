// The kick selector: the hidden chooser that holds the list of kicks and the choice, the kick
// name and its browser, the arrows, the keys and the favourite star.
//
// Every kick chosen here goes through the chooser's change notification, which loads it and
// sets TRANSIENT, PUNCH, LENGTH and TONE back to their defaults. Undo, redo and a restored
// state only bring the selection in line (syncKickChooser) and reset nothing.

#include "engine/StateSnapshot.h"
#include "engine/ZobAudioProcessor.h"
#include "library/KickDisplayName.h"
#include "library/KickFolders.h"
#include "ui/editor/ZobEditorContent.h"

namespace
{
const juce::String chooseAKickText ("Choose a kick...");

/** The id of the kick at exactly this path, else of a kick with its file name (the first or
    the last of them), else 0. */
int findKickId (const std::map<int, juce::File>& kickFiles, const juce::String& path, bool lastByName)
{
    if (path.isEmpty())
        return 0;

    const juce::File file (path);
    const auto fileName = file.getFileName();
    int byName = 0;

    for (const auto& [id, kick] : kickFiles)
    {
        if (kick == file)
            return id;

        if (kick.getFileName() == fileName && (byName == 0 || lastByName))
            byName = id;
    }

    return byName;
}
} // namespace

juce::String ZobEditorContent::getKickDisplayName (const juce::String& path) const
{
    const juce::File file (path);
    const auto fileName = file.getFileName();
    const auto lastDot = fileName.lastIndexOfChar ('.');
    const auto name = isUserKick (file) ? (lastDot >= 0 ? fileName.substring (0, lastDot) : fileName).toUpperCase()
                                        : makeKickDisplayName (fileName);

    // A file named only by its extension (".wav") would otherwise have no name to show.
    return name.isNotEmpty() ? name : fileName;
}

void ZobEditorContent::showLoadedKickName()
{
    kickNameLabel.setText (processor->samplePath.isNotEmpty() ? getKickDisplayName (processor->samplePath) : chooseAKickText,
                           juce::dontSendNotification);
}

void ZobEditorContent::rebuildKickChooser()
{
    kickChooser.clear (juce::dontSendNotification);
    kickFiles.clear();
    failedKick = juce::File(); // it may no longer be listed: step from the kick that plays

    auto paths = ZobAudioProcessor::listFactoryKicks();
    paths.addArray (ZobAudioProcessor::listUserKicks());

    std::vector<vyl::PresetBrowserPopup::Item> items;
    items.reserve ((size_t) paths.size());
    int id = 1;

    for (const auto& path : paths)
    {
        const juce::File file (path);
        const auto displayName = getKickDisplayName (path);

        if (displayName.isNotEmpty())
            kickChooser.addItem (displayName, id);

        kickFiles[id++] = file;
        items.push_back ({ file, displayName, file.getFileName(), isUserKick (file) });
    }

    // The kick that plays: by its path, so a factory and a user kick of the same name are
    // told apart; by its file name only when its path is no longer listed.
    const auto hasKick = processor->loadedSample.buffer.getNumSamples() > 0;
    const auto selected = hasKick ? findKickId (kickFiles, processor->samplePath, true) : 0;

    if (selected != 0)
    {
        kickChooser.setSelectedId (selected, juce::dontSendNotification);
        kickNameLabel.setText (kickChooser.getText(), juce::dontSendNotification);
    }
    else if (hasKick && processor->samplePath.isNotEmpty())
    {
        showLoadedKickName();
    }

    browser.setItems (std::move (items));
    browser.setCurrentKick (juce::File (processor->samplePath));
    updateFavoriteStar();
}

void ZobEditorContent::selectKick (const juce::File& file)
{
    int id = 0;

    for (const auto& [kickId, kick] : kickFiles)
    {
        if (kick == file)
        {
            id = kickId;
            break;
        }
    }

    if (id == 0)
        return;

    // The one test for both the undo step and the load: is it another kick than the one
    // that plays?
    if (processor->samplePath.isNotEmpty() && file == juce::File (processor->samplePath))
    {
        failedKick = juce::File();

        if (kickChooser.getSelectedId() != id)
        {
            kickChooser.setSelectedId (id, juce::dontSendNotification);
            kickNameLabel.setText (kickChooser.getText(), juce::dontSendNotification);
            browser.setCurrentKick (file);
        }

        return;
    }

    undoStepsBeforeChoice = processor->undoStack;
    redoStepsBeforeChoice = processor->redoStack;
    choosingKick = true;
    pushUndoStep (processor->captureSnapshot());

    // When the chooser already shows this id (its item was selected while another kick
    // played), JUCE would send no change: load it directly.
    if (kickChooser.getSelectedId() == id)
        kickChooserChanged();
    else
        kickChooser.setSelectedId (id, juce::sendNotificationSync);

    choosingKick = false;
    undoStepsBeforeChoice.clear();
    redoStepsBeforeChoice.clear();
}

void ZobEditorContent::kickChooserChanged()
{
    const auto text = kickChooser.getText();
    kickNameLabel.setText (text.isNotEmpty() ? text : chooseAKickText, juce::dontSendNotification);

    const auto found = kickFiles.find (kickChooser.getSelectedId());

    if (found == kickFiles.end())
        return;

    const auto file = found->second;

    if (! processor->loadSample (file))
    {
        // The old kick plays on: show it again, take back the undo step of this choice and
        // reset nothing.
        if (choosingKick)
        {
            processor->undoStack = undoStepsBeforeChoice;
            processor->redoStack = redoStepsBeforeChoice;
        }

        syncKickChooser();
        failedKick = file;
        showToast ("Could not load kick");
        return;
    }

    failedKick = juce::File();
    refreshWaveform();
    processor->resetShaping();
    browser.setCurrentKick (file);
    updateFavoriteStar();
}

void ZobEditorContent::syncKickChooser()
{
    failedKick = juce::File();
    const auto selected = findKickId (kickFiles, processor->samplePath, false);

    if (selected != 0)
    {
        kickChooser.setSelectedId (selected, juce::dontSendNotification);
        kickNameLabel.setText (kickChooser.getText(), juce::dontSendNotification);
    }
    else
    {
        // Not listed (any more): nothing is selected, so choosing any kick loads it.
        kickChooser.setSelectedId (0, juce::dontSendNotification);
        showLoadedKickName();
    }

    refreshWaveform();
    browser.setCurrentKick (juce::File (processor->samplePath));
    updateFavoriteStar();
    updateUndoRedoButtons();
    repaint();
}

void ZobEditorContent::refreshWaveform()
{
    if (processor->loadedSample.buffer.getNumSamples() > 0)
        pad.setBuffer (processor->loadedSample.buffer);
    else
        pad.clearBuffer();
}

void ZobEditorContent::stepKick (int direction)
{
    // After a kick that could not be loaded, the steps go on from it, past it, rather than
    // from the kick that still plays, which would lead to the same file again.
    const auto from = failedKick != juce::File() ? failedKick : juce::File (processor->samplePath);
    const auto next = browser.getNeighbourKick (from, direction);

    if (next != juce::File())
        selectKick (next);
}

//==============================================================================
void ZobEditorContent::updateFavoriteStar()
{
    const auto& path = processor->samplePath;
    isCurrentFavorite = path.isNotEmpty() && processor->favorites.fileNames.contains (juce::File (path).getFileName());
    repaint (kickBarBounds);
}

void ZobEditorContent::toggleCurrentFavorite()
{
    if (processor->samplePath.isEmpty())
        return;

    processor->favorites.toggleFavorite (juce::File (processor->samplePath).getFileName());
    updateFavoriteStar();
    browser.repaint();
}

void ZobEditorContent::toggleBrowser()
{
    if (browser.isVisible())
        browser.close();
    else
        browser.show();
}

//==============================================================================
void ZobEditorContent::mouseMove (const juce::MouseEvent& e)
{
    const auto position = e.getPosition();
    const auto prev = prevArrowArea.contains (position);
    const auto next = nextArrowArea.contains (position);

    if (prev == prevArrowHovered && next == nextArrowHovered)
        return;

    prevArrowHovered = prev;
    nextArrowHovered = next;
    setMouseCursor (prev || next ? juce::MouseCursor::PointingHandCursor : juce::MouseCursor::NormalCursor);
    repaint (kickBarBounds);
}

void ZobEditorContent::mouseExit (const juce::MouseEvent&)
{
    // The mouse left the canvas itself: out of the window, or onto a child such as the kick
    // name, which touches the next arrow.
    if (! prevArrowHovered && ! nextArrowHovered)
        return;

    prevArrowHovered = false;
    nextArrowHovered = false;
    setMouseCursor (juce::MouseCursor::NormalCursor);
    repaint (kickBarBounds);
}

void ZobEditorContent::mouseDown (const juce::MouseEvent& e)
{
    grabKeyboardFocus();
    const auto position = e.getPosition();
    pressedArrow = prevArrowArea.contains (position) ? -1 : (nextArrowArea.contains (position) ? 1 : 0);
}

void ZobEditorContent::mouseUp (const juce::MouseEvent& e)
{
    const auto armed = pressedArrow;
    pressedArrow = 0;
    const auto position = e.getPosition();

    if (armed == 1 && nextArrowArea.contains (position))
        stepKick (1);
    else if (armed == -1 && prevArrowArea.contains (position))
        stepKick (-1);
}

bool ZobEditorContent::keyPressed (const juce::KeyPress& key)
{
    const auto code = key.getKeyCode();
    const auto mods = key.getModifiers();

    if (code == juce::KeyPress::returnKey)
    {
        if (browser.isVisible() && ! browser.hasPendingRemoval())
        {
            browser.close();
            return true;
        }

        return false;
    }

    if (code == juce::KeyPress::upKey || code == juce::KeyPress::downKey)
    {
        if (settingsPanel.isVisible() || browser.hasPendingRemoval())
            return false;

        stepKick (code == juce::KeyPress::upKey ? -1 : 1);
        browser.scrollToCurrent();
        return true;
    }

    if (! (mods.isCtrlDown() || mods.isCommandDown()))
        return false;

    if (code == 'z' || code == 'Z')
    {
        if (mods.isShiftDown())
            processor->redo();
        else
            processor->undo();

        updateUndoRedoButtons();
        return true;
    }

    if (code == 'y' || code == 'Y')
    {
        processor->redo();
        updateUndoRedoButtons();
        return true;
    }

    return false;
}
