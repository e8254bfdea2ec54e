#include "ui/kit/PresetBrowserPopup.h"

#include "library/FavoritesStore.h"
#include "library/KeyCache.h"

namespace vyl
{
// Placeholder bodies: the browser's behaviour and painting are being written.
PresetBrowserPopup::PresetBrowserPopup (FavoritesStore* favoritesToUse, KeyCache* keyCacheToUse)
    : favorites (favoritesToUse)
    , keyCache (keyCacheToUse)
{
    setVisible (false);
    setWantsKeyboardFocus (true);
    addChildComponent (addKicksButton);
}

PresetBrowserPopup::~PresetBrowserPopup() = default;

void PresetBrowserPopup::setItems (std::vector<Item> newItems) { items = std::move (newItems); }
void PresetBrowserPopup::setCurrentKick (const juce::File& file) { currentFileName = file.getFileName(); }
void PresetBrowserPopup::show() { setVisible (true); }
void PresetBrowserPopup::close() { setVisible (false); }
void PresetBrowserPopup::showUserTab() { currentTab = userTab; }
void PresetBrowserPopup::scrollToCurrent() {}
juce::File PresetBrowserPopup::getNeighbourKick (const juce::File&, int) const { return {}; }
std::vector<const PresetBrowserPopup::Item*> PresetBrowserPopup::getVisibleItems() const { return {}; }
void PresetBrowserPopup::applyColours() {}
void PresetBrowserPopup::drawStar (juce::Graphics&, juce::Rectangle<float>, bool, bool) {}
void PresetBrowserPopup::mouseMove (const juce::MouseEvent&) {}
void PresetBrowserPopup::mouseExit (const juce::MouseEvent&) {}
void PresetBrowserPopup::mouseDown (const juce::MouseEvent&) {}
void PresetBrowserPopup::mouseDrag (const juce::MouseEvent&) {}
void PresetBrowserPopup::mouseUp (const juce::MouseEvent&) {}
void PresetBrowserPopup::mouseDoubleClick (const juce::MouseEvent&) {}
void PresetBrowserPopup::mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails&) {}
void PresetBrowserPopup::paint (juce::Graphics&) {}
bool PresetBrowserPopup::keyPressed (const juce::KeyPress&) { return false; }
void PresetBrowserPopup::resized() {}
juce::String PresetBrowserPopup::getTooltip() { return {}; }
} // namespace vyl
