#include "ui/kit/SettingsPanel.h"

#include "engine/ApproximatelyEqual.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Palette.h"
#include "ui/kit/ProductInfo.h"
#include "ui/kit/UpdateService.h"

namespace vyl
{
namespace
{
    constexpr int tabRadioGroup = 501;
    constexpr int scaleRadioGroup = 502;
    constexpr int appearanceRadioGroup = 503;
    constexpr int tooltipsRadioGroup = 504;

    const juce::Colour dimColour (0x8c000000); // black at 0.55 over the whole canvas
    constexpr float panelCornerSize = 10.0f;
    constexpr float panelOutlineThickness = 1.2f;

    const juce::String checkButtonText ("CHECK FOR UPDATES");
    const juce::String checkFailedText ("Could not reach the update service. Check your internet connection.");
    const juce::String latestVersionText ("You are running the latest version.");
    const juce::String openingLastAnnouncedText ("Could not reach the update service. Opening the page for the version last announced.");

    juce::String versionPageText()
    {
        return juce::String ("ZOB -- Kick Instrument\n") + "Version " + ProductInfo::version + "\n" + "Formats: VST3, Standalone\n"
               + "Corvale Audio";
    }

    juce::String helpPageText()
    {
        return juce::String ("Pick a kick from the list at the top, then play any MIDI ")
               + "note or click the big circle to fire it. Every note plays the " + "kick at its own recorded pitch.\n\n"
               + "TRANSIENT adds attack snap. PUNCH adds body and low-end weight. " + "Both are off at 0%.\n\n"
               + "Need a hand? Reach out any time:";
    }

    juce::String availableText (const UpdateInfo& info)
    {
        auto text = "Version " + info.version + " is available.";

        if (info.downloadUrl.isNotEmpty())
            text << "\nPress the button to open the download page.";

        return text;
    }

    void setToggleColours (juce::TextButton& button)
    {
        button.setColour (juce::TextButton::buttonColourId, Palette::outline());
        button.setColour (juce::TextButton::buttonOnColourId, Palette::accent());
        button.setColour (juce::TextButton::textColourOffId, Palette::panelText());
        button.setColour (juce::TextButton::textColourOnId, Palette::onAccent());
    }

    /** The link's text and target come with its construction: HyperlinkButton::setURL copies
        the address with MemoryBlock's assignment, which hands memcpy a null pointer for an
        address without post data (undefined behaviour, and a sanitizer build stops there). */
    void styleLink (juce::HyperlinkButton& link)
    {
        link.setFont (Fonts::regularFont (15.0f), false, juce::Justification::topLeft);
        link.setColour (juce::HyperlinkButton::textColourId, Palette::accent());
    }
} // namespace

SettingsPanel::SettingsPanel (UpdateService& service)
    : updateService (service), supportLink (ProductInfo::supportEmail, juce::URL (juce::String ("mailto:") + ProductInfo::supportEmail)), websiteLink (ProductInfo::webHost, juce::URL (ProductInfo::websiteAddress)), manualLink ("Download the ZOB User Manual (PDF)", juce::URL (ProductInfo::manualAddress))
{
    addAndMakeVisible (closeButton);
    closeButton.setWantsKeyboardFocus (false);
    closeButton.setColour (juce::TextButton::buttonColourId, juce::Colour (0x00000000));
    closeButton.setColour (juce::TextButton::textColourOffId, Palette::textMuted());
    closeButton.onClick = [this]
    {
        if (onClose != nullptr)
            onClose();
    };

    int page = 0;

    for (auto* tab : { &displayTab, &versionTab, &updatesTab, &helpTab })
    {
        addAndMakeVisible (*tab);
        styleTabButton (*tab);
        tab->onClick = [this, page]
        {
            currentPage = page;
            showPage();
        };
        ++page;
    }

    displayTab.setToggleState (true, juce::dontSendNotification);

    const auto addToggle = [this] (juce::TextButton& button, int radioGroup, std::function<void()> click)
    {
        addAndMakeVisible (button);
        button.setWantsKeyboardFocus (false);
        button.setClickingTogglesState (true);
        button.setRadioGroupId (radioGroup);
        setToggleColours (button);
        button.onClick = std::move (click);
    };

    addAndMakeVisible (displayHeader);
    styleHeaderLabel (displayHeader, "Display");
    addAndMakeVisible (windowSizeLabel);
    styleBodyLabel (windowSizeLabel, "Window size");
    addToggle (scale75Button, scaleRadioGroup, [this]
               {
        if (onScaleChanged != nullptr)
            onScaleChanged (0.75f); });
    addToggle (scale100Button, scaleRadioGroup, [this]
               {
        if (onScaleChanged != nullptr)
            onScaleChanged (1.0f); });
    addAndMakeVisible (appearanceLabel);
    styleBodyLabel (appearanceLabel, "Appearance");
    addToggle (lightButton, appearanceRadioGroup, [this]
               {
        if (onDarkModeChanged != nullptr)
            onDarkModeChanged (false); });
    addToggle (darkButton, appearanceRadioGroup, [this]
               {
        if (onDarkModeChanged != nullptr)
            onDarkModeChanged (true); });
    addAndMakeVisible (tooltipsLabel);
    styleBodyLabel (tooltipsLabel, "Tooltips");
    addToggle (tooltipsOnButton, tooltipsRadioGroup, [this]
               {
        if (onTooltipsChanged != nullptr)
            onTooltipsChanged (true); });
    addToggle (tooltipsOffButton, tooltipsRadioGroup, [this]
               {
        if (onTooltipsChanged != nullptr)
            onTooltipsChanged (false); });
    addAndMakeVisible (displayNote);
    styleBodyLabel (displayNote, juce::String ("All three are remembered for new instances, and ") + "saved with each project.");

    refreshUpdateUi();

    addAndMakeVisible (versionHeader);
    styleHeaderLabel (versionHeader, "Version");
    addAndMakeVisible (versionText);
    styleBodyLabel (versionText, versionPageText());
    versionText.setFont (Fonts::regularFont (16.0f));

    addAndMakeVisible (updatesHeader);
    styleHeaderLabel (updatesHeader, "Check for Updates");
    addAndMakeVisible (currentVersionLabel);
    styleBodyLabel (currentVersionLabel, juce::String ("Current version: ") + ProductInfo::version);
    addAndMakeVisible (updateButton);
    styleActionButton (updateButton);
    updateButton.onClick = [this]
    { requestUpdateInfo(); };
    addAndMakeVisible (updateStatusLabel);
    styleBodyLabel (updateStatusLabel, {});

    addAndMakeVisible (helpHeader);
    styleHeaderLabel (helpHeader, "Help");
    addAndMakeVisible (helpText);
    styleBodyLabel (helpText, helpPageText());
    addAndMakeVisible (supportLink);
    styleLink (supportLink);
    addAndMakeVisible (websiteLink);
    styleLink (websiteLink);
    addAndMakeVisible (manualLink);
    styleLink (manualLink);

    showPage();
}

SettingsPanel::~SettingsPanel() = default;

//==============================================================================
void SettingsPanel::setScale (float scale)
{
    scale75Button.setToggleState (zob::approximatelyEqual (scale, 0.75f), juce::dontSendNotification);
    scale100Button.setToggleState (zob::approximatelyEqual (scale, 1.0f), juce::dontSendNotification);
}

void SettingsPanel::setDarkMode (bool dark)
{
    (dark ? darkButton : lightButton).setToggleState (true, juce::dontSendNotification);
}

void SettingsPanel::setTooltipsOn (bool on)
{
    (on ? tooltipsOnButton : tooltipsOffButton).setToggleState (true, juce::dontSendNotification);
}

void SettingsPanel::showPage()
{
    const std::initializer_list<juce::Component*> pages[] = {
        { &displayHeader, &windowSizeLabel, &scale75Button, &scale100Button, &appearanceLabel, &lightButton, &darkButton, &tooltipsLabel, &tooltipsOnButton, &tooltipsOffButton, &displayNote },
        { &versionHeader, &versionText },
        { &updatesHeader, &currentVersionLabel, &updateButton, &updateStatusLabel },
        { &helpHeader, &helpText, &supportLink, &websiteLink, &manualLink },
    };

    for (int page = 0; page < (int) std::size (pages); ++page)
        for (auto* widget : pages[page])
            widget->setVisible (page == currentPage);
}

void SettingsPanel::refreshColours()
{
    for (auto* header : { &displayHeader, &versionHeader, &updatesHeader, &helpHeader })
        header->setColour (juce::Label::textColourId, Palette::panelText());

    for (auto* body : { &windowSizeLabel, &appearanceLabel, &tooltipsLabel, &displayNote, &versionText, &currentVersionLabel, &updateStatusLabel, &helpText })
        body->setColour (juce::Label::textColourId, Palette::textMuted());

    for (auto* button : { &displayTab, &versionTab, &updatesTab, &helpTab, &scale75Button, &scale100Button, &lightButton, &darkButton, &tooltipsOnButton, &tooltipsOffButton })
        setToggleColours (*button);

    updateButton.setColour (juce::TextButton::buttonColourId, Palette::outline());
    updateButton.setColour (juce::TextButton::textColourOffId, Palette::panelText());
    closeButton.setColour (juce::TextButton::textColourOffId, Palette::textMuted());

    for (auto* link : { &supportLink, &websiteLink, &manualLink })
        link->setColour (juce::HyperlinkButton::textColourId, Palette::accent());

    refreshUpdateUi();
    repaint();
}

void SettingsPanel::visibilityChanged()
{
    if (isVisible())
        refreshUpdateUi();
}

//==============================================================================
void SettingsPanel::paint (juce::Graphics& g)
{
    g.fillAll (dimColour);

    const auto panelArea = panelBounds.toFloat();
    g.setColour (Palette::panel());
    g.fillRoundedRectangle (panelArea, panelCornerSize);
    g.setColour (Palette::outline());
    g.drawRoundedRectangle (panelArea, panelCornerSize, panelOutlineThickness);

    if (tabArea.getWidth() > 0 && tabArea.getHeight() > 0)
    {
        const auto y = (float) (tabArea.getBottom() + 8);
        g.setColour (Palette::separator());
        g.drawLine ((float) tabArea.getX(), y, (float) tabArea.getRight(), y, 1.0f);
    }
}

void SettingsPanel::resized()
{
    const auto W = getWidth(), H = getHeight();

    if (W <= 0 || H <= 0)
        return;

    panelBounds = { 10, 14, juce::jmax (0, W - 20), juce::jmax (0, H - 28) };
    auto area = panelBounds.reduced (12);
    area.setSize (juce::jmax (0, W - 44), juce::jmax (0, H - 52));
    const auto w = area.getWidth();

    auto header = area.removeFromTop (26);
    closeButton.setBounds (header.removeFromRight (juce::jmin (26, w)).withSizeKeepingCentre (24, 24));

    tabArea = area.removeFromTop (66);
    const auto tabWidth = juce::jmax (0, (w - 12) / 3);
    auto tabs = tabArea;
    auto firstRow = tabs.removeFromTop (30);

    for (auto* tab : { &displayTab, &versionTab, &updatesTab })
    {
        tab->setBounds (firstRow.removeFromLeft (tabWidth));

        if (tab != &updatesTab)
            firstRow.removeFromLeft (6);
    }

    tabs.removeFromTop (6);
    helpTab.setBounds (area.getX() + (w - tabWidth) / 2, tabs.getY(), tabWidth, tabs.getHeight());

    area.removeFromTop (18);
    const auto pageHeader = area.removeFromTop (26);

    for (auto* label : { &displayHeader, &versionHeader, &updatesHeader, &helpHeader })
        label->setBounds (pageHeader);

    area.removeFromTop (14);
    const auto body = area;

    // DISPLAY: three captions, each over a pair of toggles sharing the first pair's columns.
    {
        auto column = body;
        const auto half = juce::jmax (0, (w - 10) / 2);

        windowSizeLabel.setBounds (column.removeFromTop (20));
        column.removeFromTop (6);
        auto row = column.removeFromTop (36);
        const auto left = row.removeFromLeft (half);
        row.removeFromLeft (10);
        const auto right = row.removeFromLeft (half);
        scale75Button.setBounds (left);
        scale100Button.setBounds (right);

        const auto placePair = [&] (juce::Rectangle<int> pairRow, juce::Component& a, juce::Component& b)
        {
            a.setBounds (left.withY (pairRow.getY()).withHeight (pairRow.getHeight()));
            b.setBounds (right.withY (pairRow.getY()).withHeight (pairRow.getHeight()));
        };

        column.removeFromTop (18);
        appearanceLabel.setBounds (column.removeFromTop (20));
        column.removeFromTop (6);
        placePair (column.removeFromTop (36), lightButton, darkButton);
        column.removeFromTop (18);
        tooltipsLabel.setBounds (column.removeFromTop (20));
        column.removeFromTop (6);
        placePair (column.removeFromTop (36), tooltipsOnButton, tooltipsOffButton);
        column.removeFromTop (16);
        displayNote.setBounds (column.removeFromTop (60));
    }

    versionText.setBounds (body);

    {
        auto column = body;
        currentVersionLabel.setBounds (column.removeFromTop (22));
        column.removeFromTop (12);
        updateButton.setBounds (column.removeFromTop (36));
        column.removeFromTop (14);
        updateStatusLabel.setBounds (column);
    }

    {
        auto column = body;
        helpText.setBounds (column.removeFromTop (215));
        column.removeFromTop (8);
        supportLink.setBounds (column.removeFromTop (24));
        column.removeFromTop (6);
        websiteLink.setBounds (column.removeFromTop (24));
        column.removeFromTop (6);
        manualLink.setBounds (column.removeFromTop (24));
    }
}

//==============================================================================
void SettingsPanel::styleTabButton (juce::TextButton& button)
{
    button.setWantsKeyboardFocus (false);
    button.setClickingTogglesState (true);
    button.setRadioGroupId (tabRadioGroup);
    setToggleColours (button);
}

void SettingsPanel::styleActionButton (juce::TextButton& button)
{
    button.setWantsKeyboardFocus (false);
    button.setColour (juce::TextButton::buttonColourId, Palette::outline());
    button.setColour (juce::TextButton::textColourOffId, Palette::panelText());
}

void SettingsPanel::styleHeaderLabel (juce::Label& label, const juce::String& text)
{
    label.setText (text, juce::dontSendNotification);
    label.setFont (Fonts::boldFont (19.0f));
    label.setColour (juce::Label::textColourId, Palette::panelText());
    label.setJustificationType (juce::Justification::topLeft);
}

void SettingsPanel::styleBodyLabel (juce::Label& label, const juce::String& text)
{
    label.setText (text, juce::dontSendNotification);
    label.setFont (Fonts::regularFont (15.0f));
    label.setColour (juce::Label::textColourId, Palette::textMuted());
    label.setJustificationType (juce::Justification::topLeft);
}

//==============================================================================
void SettingsPanel::setStatus (const juce::String& text, juce::Colour colour)
{
    updateStatusLabel.setText (text, juce::dontSendNotification);
    updateStatusLabel.setColour (juce::Label::textColourId, colour);
}

void SettingsPanel::refreshUpdateUi()
{
    const auto info = updateService.getCachedUpdateInfo();
    const auto canDownload = info.available && info.downloadUrl.isNotEmpty();

    updateButton.setButtonText (canDownload ? "GET VERSION " + info.version : checkButtonText);
    updatesTab.setColour (juce::TextButton::textColourOffId, info.available ? Palette::accentBright() : Palette::panelText());

    if (info.available)
        setStatus (availableText (info), Palette::accentBright());
}

void SettingsPanel::requestUpdateInfo()
{
    const PendingCheck check { this, updateService.getCachedUpdateInfo().available };

    updateButton.setEnabled (false);
    setStatus ("Checking...", Palette::textMuted());

    updateService.checkForUpdates ([check] (UpdateInfo info, bool succeeded)
                                   { handleUpdateResult (info, succeeded, check); });
}

void SettingsPanel::handleUpdateResult (const UpdateInfo& info, bool succeeded, const PendingCheck& check)
{
    auto* panel = check.panel.getComponent();

    if (panel == nullptr)
        return;

    panel->updateButton.setEnabled (true);
    panel->showUpdateResult (info, succeeded);

    // The address is checked again here: it goes to the system's browser through a shell.
    if (check.wasAvailable && info.available && info.downloadUrl.isNotEmpty()
        && UpdateService::isAcceptedDownloadAddress (info.downloadUrl))
    {
        if (! succeeded)
            panel->updateStatusLabel.setText (openingLastAnnouncedText, juce::dontSendNotification);

        if (panel->openInBrowser != nullptr)
            panel->openInBrowser (juce::URL (info.downloadUrl));
    }
}

void SettingsPanel::showUpdateResult (const UpdateInfo& info, bool succeeded)
{
    if (! succeeded)
    {
        setStatus (checkFailedText, Palette::textMuted());
        refreshUpdateUi();
        return;
    }

    refreshUpdateUi();

    if (! info.available)
        setStatus (latestVersionText, Palette::textMuted());
}
} // namespace vyl
