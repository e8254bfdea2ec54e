#include "FakeUpdateManifest.h"
#include "UiTestHelpers.h"
#include "ui/kit/Palette.h"
#include "ui/kit/SettingsPanel.h"
#include "ui/kit/UpdateService.h"
#include "ui/kit/VYLLookAndFeel.h"

#include <gtest/gtest.h>

namespace
{
using zobtest::FakeUpdateManifest;

const juce::String downloadPage ("https://www.corvale-audio.example/zob/download");
const juce::String failedText ("Could not reach the update service. Check your internet connection.");

/** A panel on the canvas's bounds, its update service on a fake manifest, and the pages'
    widgets found the way a user finds them: by their text or their place. */
struct PanelFixture
{
    PanelFixture()
    {
        panel.setLookAndFeel (&lookAndFeel);
        panel.setBounds (0, 0, 400, 710);
        panel.openInBrowser = [this] (const juce::URL& url)
        { opened.add (url.toString (false)); };
    }

    ~PanelFixture() { panel.setLookAndFeel (nullptr); }

    juce::Button& button (const juce::String& text)
    {
        for (auto* child : panel.getChildren())
            if (auto* b = dynamic_cast<juce::Button*> (child); b != nullptr && b->getButtonText() == text)
                return *b;

        ADD_FAILURE() << "no button " << text;
        return dummyButton;
    }

    juce::Label& label (const juce::String& text)
    {
        for (auto* child : panel.getChildren())
            if (auto* l = dynamic_cast<juce::Label*> (child); l != nullptr && l->getText() == text)
                return *l;

        ADD_FAILURE() << "no label " << text;
        return dummyLabel;
    }

    /** The child laid out at exactly bounds. */
    template <typename Type>
    Type& at (juce::Rectangle<int> bounds)
    {
        for (auto* child : panel.getChildren())
            if (auto* c = dynamic_cast<Type*> (child); c != nullptr && c->getBounds() == bounds)
                return *c;

        ADD_FAILURE() << "nothing at " << bounds.toString();
        static Type none;
        return none;
    }

    juce::TextButton& updateButton() { return at<juce::TextButton> ({ 22, 210, 356, 36 }); }
    juce::Label& statusLabel() { return at<juce::Label> ({ 22, 260, 356, 424 }); }
    juce::Colour statusColour() { return statusLabel().findColour (juce::Label::textColourId); }
    juce::Colour updatesTabTextColour() { return button ("UPDATES").findColour (juce::TextButton::textColourOffId); }

    void click (juce::Button& b)
    {
        b.triggerClick();
        zobtest::runPendingMessages();
    }

    /** Presses the update button and waits until the check has answered. */
    void check()
    {
        click (updateButton());
        ASSERT_TRUE (zobtest::runMessagesUntil ([this]
                                                { return updateButton().isEnabled(); }));
    }

    std::shared_ptr<FakeUpdateManifest> fake = std::make_shared<FakeUpdateManifest>();
    vyl::UpdateService service { FakeUpdateManifest::fetcherFor (fake) };
    vyl::VYLLookAndFeel lookAndFeel;
    vyl::SettingsPanel panel { service };
    juce::StringArray opened;
    juce::TextButton dummyButton;
    juce::Label dummyLabel;
};

/** Stores an answer in service without any panel. */
void storeAnswer (vyl::UpdateService& service)
{
    bool done = false;
    service.checkForUpdates ([&] (vyl::UpdateInfo, bool)
                             { done = true; });
    ASSERT_TRUE (zobtest::runMessagesUntil ([&]
                                            { return done; }));
}
} // namespace

TEST (SettingsPanel, LaysOutTheCanvasRectangles)
{
    PanelFixture f;

    struct Case
    {
        juce::String text;
        juce::Rectangle<int> bounds;
    };

    const Case buttons[] = {
        { "X", { 353, 27, 24, 24 } },
        { "DISPLAY", { 22, 52, 114, 30 } },
        { "VERSION", { 142, 52, 114, 30 } },
        { "UPDATES", { 262, 52, 114, 30 } },
        { "HELP", { 143, 88, 114, 30 } },
        { "75%", { 22, 202, 173, 36 } },
        { "100%", { 205, 202, 173, 36 } },
        { "LIGHT", { 22, 282, 173, 36 } },
        { "DARK", { 205, 282, 173, 36 } },
        { "ON", { 22, 362, 173, 36 } },
        { "OFF", { 205, 362, 173, 36 } },
        { "CHECK FOR UPDATES", { 22, 210, 356, 36 } },
        { "support@corvale-audio.example", { 22, 399, 356, 24 } },
        { "corvale-audio.example", { 22, 429, 356, 24 } },
        { "Download the ZOB User Manual (PDF)", { 22, 459, 356, 24 } },
    };

    for (const auto& c : buttons)
        EXPECT_EQ (f.button (c.text).getBounds(), c.bounds) << c.text;

    const Case labels[] = {
        { "Display", { 22, 136, 356, 26 } },
        { "Version", { 22, 136, 356, 26 } },
        { "Check for Updates", { 22, 136, 356, 26 } },
        { "Help", { 22, 136, 356, 26 } },
        { "Window size", { 22, 176, 356, 20 } },
        { "Appearance", { 22, 256, 356, 20 } },
        { "Tooltips", { 22, 336, 356, 20 } },
        { "Current version: 1.3.0", { 22, 176, 356, 22 } },
    };

    for (const auto& c : labels)
        EXPECT_EQ (f.label (c.text).getBounds(), c.bounds) << c.text;

    EXPECT_EQ (f.label ("All three are remembered for new instances, and saved with each project.").getBounds(),
               juce::Rectangle<int> (22, 414, 356, 60));
    f.statusLabel(); // 22, 260, 356, 424
    f.at<juce::Label> ({ 22, 176, 356, 508 }); // version text
    f.at<juce::Label> ({ 22, 176, 356, 215 }); // help text

    // An empty size keeps the last layout; a short panel squeezes rows to zero, never below.
    f.panel.setSize (0, 710);
    EXPECT_EQ (f.button ("HELP").getBounds(), juce::Rectangle<int> (143, 88, 114, 30));

    for (const auto size : { juce::Point<int> (400, 120), juce::Point<int> (30, 60), juce::Point<int> (1, 1) })
    {
        f.panel.setSize (size.x, size.y);

        for (auto* child : f.panel.getChildren())
        {
            EXPECT_GE (child->getWidth(), 0) << size.toString();
            EXPECT_GE (child->getHeight(), 0) << size.toString();
        }
    }

    f.panel.setSize (400, 120);
    EXPECT_EQ (f.button ("75%").getHeight(), 0);
    EXPECT_EQ (f.label ("Window size").getBounds().getY(), 120 - 26);
}

TEST (SettingsPanel, EachTabShowsItsOwnPageAndThePageSurvivesReopening)
{
    PanelFixture f;
    const std::vector<std::vector<juce::Component*>> pages = {
        { &f.label ("Display"), &f.label ("Window size"), &f.button ("75%"), &f.button ("100%"), &f.label ("Appearance"), &f.button ("LIGHT"), &f.button ("DARK"), &f.label ("Tooltips"), &f.button ("ON"), &f.button ("OFF"), &f.label ("All three are remembered for new instances, and saved with each project.") },
        { &f.label ("Version"), &f.at<juce::Label> ({ 22, 176, 356, 508 }) },
        { &f.label ("Check for Updates"), &f.label ("Current version: 1.3.0"), &f.updateButton(), &f.statusLabel() },
        { &f.label ("Help"), &f.at<juce::Label> ({ 22, 176, 356, 215 }), &f.button ("support@corvale-audio.example"), &f.button ("corvale-audio.example"), &f.button ("Download the ZOB User Manual (PDF)") },
    };
    const char* tabs[] = { "DISPLAY", "VERSION", "UPDATES", "HELP" };

    const auto expectPage = [&] (int shown)
    {
        EXPECT_EQ (f.panel.getCurrentPage(), shown);

        for (int page = 0; page < 4; ++page)
        {
            EXPECT_EQ (f.button (tabs[page]).getToggleState(), page == shown) << tabs[page];
            EXPECT_TRUE (f.button (tabs[page]).isVisible());

            for (auto* widget : pages[(size_t) page])
                EXPECT_EQ (widget->isVisible(), page == shown) << "page " << page << " while " << shown << " is shown";
        }

        EXPECT_TRUE (f.button ("X").isVisible());
    };

    expectPage (0);

    for (const auto page : { 3, 1, 2, 0, 3 })
    {
        f.click (f.button (tabs[page]));
        expectPage (page);
    }

    f.panel.setVisible (true);
    f.panel.setVisible (false);
    f.panel.setVisible (true);
    expectPage (3);

    // Clicking the shown tab again keeps it.
    f.click (f.button ("HELP"));
    expectPage (3);
}

TEST (SettingsPanel, SettersChangeTogglesWithoutCallingBack)
{
    PanelFixture f;
    int calls = 0;
    f.panel.onScaleChanged = [&] (float)
    { ++calls; };
    f.panel.onDarkModeChanged = [&] (bool)
    { ++calls; };
    f.panel.onTooltipsChanged = [&] (bool)
    { ++calls; };

    for (const auto* text : { "75%", "100%", "LIGHT", "DARK", "ON", "OFF" })
        EXPECT_FALSE (f.button (text).getToggleState()) << text;

    struct Case
    {
        float scale;
        bool on75, on100;
    };

    for (const auto c : { Case { 0.75f, true, false }, Case { 1.0f, false, true }, Case { 0.8f, false, false }, Case { 0.75f + 1.0e-8f, true, false }, Case { 0.7501f, false, false } })
    {
        f.panel.setScale (c.scale);
        zobtest::runPendingMessages();
        EXPECT_EQ (f.button ("75%").getToggleState(), c.on75) << c.scale;
        EXPECT_EQ (f.button ("100%").getToggleState(), c.on100) << c.scale;
    }

    for (const auto dark : { true, false, true })
    {
        f.panel.setDarkMode (dark);
        f.panel.setTooltipsOn (! dark);
        zobtest::runPendingMessages();
        EXPECT_EQ (f.button ("DARK").getToggleState(), dark);
        EXPECT_EQ (f.button ("LIGHT").getToggleState(), ! dark);
        EXPECT_EQ (f.button ("ON").getToggleState(), ! dark);
        EXPECT_EQ (f.button ("OFF").getToggleState(), dark);
    }

    EXPECT_EQ (calls, 0);
}

TEST (SettingsPanel, TogglesReportTheirValuesUpwards)
{
    PanelFixture f;
    std::vector<float> scales;
    std::vector<bool> darks, tooltips;
    int closes = 0;
    f.panel.onScaleChanged = [&] (float s)
    { scales.push_back (s); };
    f.panel.onDarkModeChanged = [&] (bool d)
    { darks.push_back (d); };
    f.panel.onTooltipsChanged = [&] (bool t)
    { tooltips.push_back (t); };
    f.panel.onClose = [&]
    { ++closes; };

    f.panel.setScale (1.0f);
    f.click (f.button ("75%")); // the partner turning off reports first, the chosen value last
    EXPECT_EQ (scales, (std::vector<float> { 1.0f, 0.75f }));
    EXPECT_TRUE (f.button ("75%").getToggleState());
    EXPECT_FALSE (f.button ("100%").getToggleState());

    f.click (f.button ("75%")); // already on: stays on and reports again
    EXPECT_EQ (scales.back(), 0.75f);
    EXPECT_EQ (scales.size(), 3u);
    EXPECT_TRUE (f.button ("75%").getToggleState());

    f.click (f.button ("DARK"));
    f.click (f.button ("LIGHT"));
    EXPECT_EQ (darks, (std::vector<bool> { true, true, false }));
    f.click (f.button ("OFF"));
    f.click (f.button ("ON"));
    EXPECT_EQ (tooltips.back(), true);
    EXPECT_TRUE (f.button ("ON").getToggleState());

    f.click (f.button ("X"));
    EXPECT_EQ (closes, 1);

    // Without callbacks a click only changes the toggle.
    PanelFixture bare;
    bare.click (bare.button ("100%"));
    bare.click (bare.button ("X"));
    EXPECT_TRUE (bare.button ("100%").getToggleState());
}

TEST (SettingsPanel, VersionAndHelpPagesReadAsWritten)
{
    PanelFixture f;
    EXPECT_EQ (f.at<juce::Label> ({ 22, 176, 356, 508 }).getText(),
               juce::String ("ZOB -- Kick Instrument\nVersion 1.3.0\nFormats: VST3, Standalone\nCorvale Audio"));
    EXPECT_FLOAT_EQ (f.at<juce::Label> ({ 22, 176, 356, 508 }).getFont().getHeight(), 16.0f);

    const auto help = f.at<juce::Label> ({ 22, 176, 356, 215 }).getText();
    EXPECT_EQ (help,
               juce::String ("Pick a kick from the list at the top, then play any MIDI note or click the big circle to fire it. "
                             "Every note plays the kick at its own recorded pitch.\n\n"
                             "TRANSIENT adds attack snap. PUNCH adds body and low-end weight. Both are off at 0%.\n\n"
                             "Need a hand? Reach out any time:"));

    struct Link
    {
        const char* text;
        const char* target;
    };

    for (const auto link : { Link { "support@corvale-audio.example", "mailto:support@corvale-audio.example" },
                             Link { "corvale-audio.example", "https://www.corvale-audio.example" },
                             Link { "Download the ZOB User Manual (PDF)", "https://www.corvale-audio.example/zob/ZOB-User-Manual.pdf" } })
    {
        auto* hyperlink = dynamic_cast<juce::HyperlinkButton*> (&f.button (link.text));
        ASSERT_NE (hyperlink, nullptr) << link.text;
        EXPECT_EQ (hyperlink->getURL().toString (false), juce::String (link.target));
        EXPECT_TRUE (hyperlink->getURL().getDomain().endsWith ("corvale-audio.example") || juce::String (link.target).startsWith ("mailto:"));
        EXPECT_EQ (hyperlink->findColour (juce::HyperlinkButton::textColourId), vyl::Palette::accent());
    }
}

TEST (SettingsPanel, UpdateStatusFollowsEachAnswer)
{
    zobtest::ScopedScheme scheme (true);
    PanelFixture f;
    f.panel.setVisible (true);
    f.click (f.button ("DISPLAY")); // the UPDATES tab's own colour shows only while it is not selected
    const auto muted = vyl::Palette::textMuted(), bright = vyl::Palette::accentBright();

    EXPECT_TRUE (f.statusLabel().getText().isEmpty());
    EXPECT_EQ (f.updateButton().getButtonText(), juce::String ("CHECK FOR UPDATES"));

    // Failure with nothing known.
    f.fake->succeeds = false;
    f.check();
    EXPECT_EQ (f.statusLabel().getText(), failedText);
    EXPECT_EQ (f.statusColour(), muted);
    EXPECT_EQ (f.updateButton().getButtonText(), juce::String ("CHECK FOR UPDATES"));
    EXPECT_EQ (f.updatesTabTextColour(), vyl::Palette::panelText());

    // Success, nothing newer.
    f.fake->answer ("1.3.0", downloadPage);
    f.check();
    EXPECT_EQ (f.statusLabel().getText(), juce::String ("You are running the latest version."));
    EXPECT_EQ (f.statusColour(), muted);
    EXPECT_EQ (f.updateButton().getButtonText(), juce::String ("CHECK FOR UPDATES"));

    // While a check runs.
    f.fake->answer ("1.4.0", downloadPage);
    f.fake->holdFetches = true;
    f.click (f.updateButton());
    EXPECT_FALSE (f.updateButton().isEnabled());
    EXPECT_EQ (f.statusLabel().getText(), juce::String ("Checking..."));
    EXPECT_EQ (f.statusColour(), muted);
    EXPECT_EQ (f.updateButton().getButtonText(), juce::String ("CHECK FOR UPDATES"));

    // A newer version: the first press only checks.
    f.fake->holdFetches = false;
    f.fake->release.signal();
    ASSERT_TRUE (zobtest::runMessagesUntil ([&]
                                            { return f.updateButton().isEnabled(); }));
    EXPECT_EQ (f.statusLabel().getText(), juce::String ("Version 1.4.0 is available.\nPress the button to open the download page."));
    EXPECT_EQ (f.statusColour(), bright);
    EXPECT_EQ (f.updateButton().getButtonText(), juce::String ("GET VERSION 1.4.0"));
    EXPECT_EQ (f.updatesTabTextColour(), bright);
    EXPECT_TRUE (f.opened.isEmpty());

    // The second press checks again and opens the page...
    f.check();
    EXPECT_EQ (f.opened, juce::StringArray (downloadPage));
    EXPECT_EQ (f.statusColour(), bright);

    // ...also when the service cannot be reached: the page of the version last announced.
    f.fake->succeeds = false;
    f.check();
    EXPECT_EQ (f.opened.size(), 2);
    EXPECT_EQ (f.statusLabel().getText(),
               juce::String ("Could not reach the update service. Opening the page for the version last announced."));
    EXPECT_EQ (f.statusColour(), bright);
    EXPECT_EQ (f.updateButton().getButtonText(), juce::String ("GET VERSION 1.4.0"));

    // A theme switch keeps the highlight of the known update.
    uiDarkModeFlag = false;
    f.panel.refreshColours();
    EXPECT_EQ (f.updatesTabTextColour(), vyl::Palette::accentBright());
    EXPECT_EQ (f.button ("DISPLAY").findColour (juce::TextButton::buttonOnColourId), vyl::Palette::accent());
    EXPECT_EQ (f.label ("Display").findColour (juce::Label::textColourId), vyl::Palette::panelText());
    EXPECT_EQ (f.label ("Window size").findColour (juce::Label::textColourId), vyl::Palette::textMuted());
    EXPECT_EQ (f.statusColour(), vyl::Palette::accentBright());
}

TEST (SettingsPanel, NewerVersionWithoutAddressNeverOpensAnything)
{
    PanelFixture f;
    f.panel.setVisible (true);
    f.fake->answer ("{\"version\":\"1.4.0\"}");
    f.check();
    EXPECT_EQ (f.updateButton().getButtonText(), juce::String ("CHECK FOR UPDATES"));
    EXPECT_EQ (f.statusLabel().getText(), juce::String ("Version 1.4.0 is available."));
    EXPECT_EQ (f.statusColour(), vyl::Palette::accentBright());

    f.check();
    f.fake->succeeds = false;
    f.check();
    EXPECT_TRUE (f.opened.isEmpty());
    EXPECT_EQ (f.statusLabel().getText(), juce::String ("Version 1.4.0 is available."));
}

TEST (SettingsPanel, AnUpdateStoredWhileHiddenShowsAtTheNextOpening)
{
    PanelFixture f;
    f.fake->answer ("1.5.2", downloadPage);
    storeAnswer (f.service);

    // Known before the first opening, but the status line waits for it.
    EXPECT_TRUE (f.statusLabel().getText().isEmpty());

    f.panel.setVisible (true);
    EXPECT_EQ (f.statusLabel().getText(), juce::String ("Version 1.5.2 is available.\nPress the button to open the download page."));
    EXPECT_EQ (f.updateButton().getButtonText(), juce::String ("GET VERSION 1.5.2"));
    EXPECT_EQ (f.updatesTabTextColour(), vyl::Palette::accentBright());

    // A check running while the panel is hidden still updates the hidden page.
    f.fake->succeeds = false;
    f.click (f.updateButton());
    f.panel.setVisible (false);
    ASSERT_TRUE (zobtest::runMessagesUntil ([&]
                                            { return f.updateButton().isEnabled(); }));
    EXPECT_EQ (f.statusLabel().getText(),
               juce::String ("Could not reach the update service. Opening the page for the version last announced."));
}

TEST (SettingsPanel, AnAnswerAfterThePanelIsGoneIsDropped)
{
    auto fake = std::make_shared<FakeUpdateManifest>();
    fake->answer ("1.4.0", downloadPage);
    fake->holdFetches = true;
    juce::StringArray opened;

    {
        vyl::UpdateService service (FakeUpdateManifest::fetcherFor (fake));

        {
            vyl::SettingsPanel panel (service);
            panel.openInBrowser = [&] (const juce::URL& url)
            { opened.add (url.toString (false)); };
            panel.setBounds (0, 0, 400, 710);

            for (auto* child : panel.getChildren())
                if (auto* b = dynamic_cast<juce::TextButton*> (child); b != nullptr && b->getButtonText() == "CHECK FOR UPDATES")
                    b->triggerClick();

            ASSERT_TRUE (zobtest::runMessagesUntil ([&]
                                                    { return fake->fetches == 1; }));
        }

        // The answer arrives on the message thread after the panel has gone.
        fake->release.signal();
        zobtest::runMessagesUntil ([]
                                   { return false; },
                                   100);
        EXPECT_EQ (service.getCachedUpdateInfo().version, juce::String ("1.4.0"));

        // And the service itself may go while a query of a vanished panel still runs.
        fake->release.reset();
        {
            vyl::SettingsPanel panel (service);
            for (auto* child : panel.getChildren())
                if (auto* b = dynamic_cast<juce::TextButton*> (child); b != nullptr && b->getButtonText().startsWith ("GET VERSION"))
                    b->triggerClick();

            ASSERT_TRUE (zobtest::runMessagesUntil ([&]
                                                    { return fake->fetches == 2; }));
        }
    }

    zobtest::runMessagesUntil ([]
                               { return false; },
                               50);
    EXPECT_TRUE (fake->sawStop);
    EXPECT_TRUE (opened.isEmpty());
}

TEST (SettingsPanel, PaintsTheDimmedCanvasAndThePanelInBothSchemes)
{
    for (const auto dark : { false, true })
    {
        zobtest::ScopedScheme scheme (dark);
        PanelFixture f;
        f.panel.refreshColours();
        f.panel.setScale (1.0f);
        f.panel.setDarkMode (dark);
        f.panel.setTooltipsOn (true);

        const auto image = zobtest::render (f.panel);
        zobtest::saveSnapshot (image, juce::String ("settings-display-") + (dark ? "dark" : "light"));

        const auto dim = juce::Colours::white.overlaidWith (juce::Colour (0x8c000000));
        const auto buttonFill = [] (juce::Colour c)
        { return c.withMultipliedSaturation (0.9f); };

        struct Probe
        {
            juce::Point<int> at;
            juce::Colour expected;
            const char* what;
        };

        const Probe probes[] = {
            { { 4, 300 }, dim, "dimmed margin at the left" },
            { { 200, 704 }, dim, "dimmed margin below" },
            { { 200, 600 }, vyl::Palette::panel(), "panel background" },
            { { 30, 60 }, buttonFill (vyl::Palette::accent()), "selected tab" },
            { { 150, 60 }, buttonFill (vyl::Palette::outline()), "other tab" },
            { { 210, 206 }, buttonFill (vyl::Palette::accent()), "100% on" },
            { { 26, 206 }, buttonFill (vyl::Palette::outline()), "75% off" },
            { { (dark ? 210 : 26), 286 }, buttonFill (vyl::Palette::accent()), "the scheme's toggle on" },
            { { 26, 366 }, buttonFill (vyl::Palette::accent()), "tooltips on" },
            { { 360, 30 }, vyl::Palette::panel(), "close button's transparent fill" },
        };

        for (const auto& p : probes)
            EXPECT_LE (zobtest::colourDistance (image.getPixelAt (p.at.x, p.at.y), p.expected), 2)
                << p.what << (dark ? " (dark)" : " (light)") << ": " << image.getPixelAt (p.at.x, p.at.y).toDisplayString (true);

        // The rim and the rule under the tabs stand out from the panel.
        const auto panelColour = vyl::Palette::panel();
        EXPECT_GT (zobtest::colourDistance (image.getPixelAt (10, 300), panelColour), 4) << "rim";
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (15, 300), panelColour), 2);
        const auto rule = image.getPixelAt (200, 126);
        EXPECT_GT (zobtest::colourDistance (rule, panelColour), 4) << "rule: " << rule.toDisplayString (true);
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (200, 122), panelColour), 2);
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (200, 130), panelColour), 2);
        EXPECT_LE (zobtest::colourDistance (image.getPixelAt (10, 300), vyl::Palette::outline()), 60);

        // Header text in panelText, body text in textMuted: some pixel of each row comes close.
        const auto nearest = [&] (juce::Rectangle<int> area, juce::Colour colour)
        {
            int best = 255;
            for (int y = area.getY(); y < area.getBottom(); ++y)
                for (int x = area.getX(); x < area.getRight(); ++x)
                    best = juce::jmin (best, zobtest::colourDistance (image.getPixelAt (x, y), colour));
            return best;
        };
        EXPECT_LE (nearest ({ 22, 136, 120, 26 }, vyl::Palette::panelText()), 12) << "header";
        EXPECT_LE (nearest ({ 22, 176, 120, 20 }, vyl::Palette::textMuted()), 12) << "caption";

        // A click sent by triggerClick leaves its button drawn as pressed until the mouse
        // moves, which a real click would not; put the buttons back at rest for the renders.
        const auto settle = [&f]
        {
            zobtest::runMessagesUntil ([]
                                       { return false; },
                                       120);
            for (auto* child : f.panel.getChildren())
                if (auto* b = dynamic_cast<juce::Button*> (child))
                    b->setState (juce::Button::buttonNormal);
        };

        juce::Image updatesBefore;

        for (const auto page : { "VERSION", "UPDATES", "HELP" })
        {
            f.click (f.button (page));
            settle();
            const auto shown = zobtest::render (f.panel);
            zobtest::saveSnapshot (shown, juce::String ("settings-") + juce::String (page).toLowerCase() + (dark ? "-dark" : "-light"));

            if (juce::String (page) == "UPDATES")
                updatesBefore = shown;
        }

        // A known update: the status line on its page, and the UPDATES tab's text from elsewhere.
        f.fake->answer ("1.4.0", downloadPage);
        f.click (f.button ("UPDATES"));
        f.check();
        settle();
        const auto updates = zobtest::render (f.panel);
        zobtest::saveSnapshot (updates, juce::String ("settings-update-known-") + (dark ? "dark" : "light"));
        const auto nearestIn = [] (const juce::Image& img, juce::Rectangle<int> area, juce::Colour colour)
        {
            int best = 255;
            for (int y = area.getY(); y < area.getBottom(); ++y)
                for (int x = area.getX(); x < area.getRight(); ++x)
                    best = juce::jmin (best, zobtest::colourDistance (img.getPixelAt (x, y), colour));
            return best;
        };
        EXPECT_LE (nearestIn (updates, { 22, 260, 356, 40 }, vyl::Palette::accentBright()), 12) << "status line";
        EXPECT_GT (nearestIn (updatesBefore, { 22, 260, 356, 40 }, vyl::Palette::accentBright()), 60) << "no status before";

        f.click (f.button ("HELP"));
        settle();
        const auto help = zobtest::render (f.panel);
        EXPECT_LE (nearestIn (help, { 262, 52, 114, 30 }, vyl::Palette::accentBright()), 16) << "UPDATES tab text";
        EXPECT_GT (nearestIn (help, { 142, 52, 114, 30 }, vyl::Palette::accentBright()), 60) << "VERSION tab text";
    }
}
