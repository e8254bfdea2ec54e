#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace vyl
{
class UpdateService;
struct UpdateInfo;

/** The settings overlay that the canvas's gear opens: it covers and dims the whole canvas
    and shows a rounded panel with a close button "X", four tabs (DISPLAY, VERSION, UPDATES,
    HELP) and one page per tab. DISPLAY holds the window size, appearance and tooltip
    toggles, reported upwards through the three callbacks; the editor sets their states back
    with the three setters, without notification, so nothing loops.

    The editor content owns it as a hidden child covering the canvas. The update service it
    is given must outlive it; an update answer that arrives after the panel is gone is
    dropped. Message thread only.
*/
class SettingsPanel : public juce::Component
{
public:
    explicit SettingsPanel (UpdateService& service);
    ~SettingsPanel() override;

    std::function<void()> onClose;
    std::function<void (float)> onScaleChanged; // 0.75 or 1.0
    std::function<void (bool)> onDarkModeChanged; // true is dark
    std::function<void (bool)> onTooltipsChanged;

    /** Toggle states only, without notification. */
    void setScale (float scale);
    void setDarkMode (bool dark);
    void setTooltipsOn (bool on);

    /** Re-applies every colour for the current uiDarkModeFlag. */
    void refreshColours();

    /** Shows the widgets of currentPage and hides those of the other pages. */
    void showPage();

    int getCurrentPage() const noexcept { return currentPage; }

    /** Opens a download page in the system's browser; replaceable so tests open nothing. */
    std::function<void (const juce::URL&)> openInBrowser = [] (const juce::URL& url)
    { url.launchInDefaultBrowser(); };

    void visibilityChanged() override;
    void paint (juce::Graphics&) override;
    void resized() override;

private:
    int currentPage = 0; // 0 DISPLAY, 1 VERSION, 2 UPDATES, 3 HELP
    UpdateService& updateService;

    juce::TextButton closeButton { "X" };
    juce::TextButton displayTab { "DISPLAY" };
    juce::TextButton versionTab { "VERSION" };
    juce::TextButton updatesTab { "UPDATES" };
    juce::TextButton helpTab { "HELP" };

    juce::Label displayHeader;
    juce::Label windowSizeLabel;
    juce::TextButton scale75Button { "75%" };
    juce::TextButton scale100Button { "100%" };
    juce::Label appearanceLabel;
    juce::TextButton lightButton { "LIGHT" };
    juce::TextButton darkButton { "DARK" };
    juce::Label tooltipsLabel;
    juce::TextButton tooltipsOnButton { "ON" };
    juce::TextButton tooltipsOffButton { "OFF" };
    juce::Label displayNote;

    juce::Label versionHeader;
    juce::Label versionText;

    juce::Label updatesHeader;
    juce::Label currentVersionLabel;
    juce::TextButton updateButton { "CHECK FOR UPDATES" };
    juce::Label updateStatusLabel;

    juce::Label helpHeader;
    juce::Label helpText;
    juce::HyperlinkButton supportLink;
    juce::HyperlinkButton websiteLink;
    juce::HyperlinkButton manualLink;

    juce::Rectangle<int> panelBounds; // written by resized, read by paint
    juce::Rectangle<int> tabArea;

    void styleTabButton (juce::TextButton&);
    void styleActionButton (juce::TextButton&);
    void styleHeaderLabel (juce::Label&, const juce::String& text);
    void styleBodyLabel (juce::Label&, const juce::String& text);

    /** What a check remembers from the moment it was requested. */
    struct PendingCheck
    {
        juce::Component::SafePointer<SettingsPanel> panel; // cleared when the panel goes
        bool wasAvailable = false; // a newer version was known when the button was pressed
    };

    void refreshUpdateUi();
    void requestUpdateInfo();
    static void handleUpdateResult (const UpdateInfo& info, bool succeeded, const PendingCheck& check);
    void showUpdateResult (const UpdateInfo& info, bool succeeded);
    void setStatus (const juce::String& text, juce::Colour colour);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SettingsPanel)
};
} // namespace vyl
