#pragma once

#include "engine/StateSnapshot.h"
#include "ui/editor/TuneSlider.h"
#include "ui/kit/BackgroundTexture.h"
#include "ui/kit/ExternalFileDrag.h"
#include "ui/kit/PresetBrowserPopup.h"
#include "ui/kit/SegmentedMeter.h"
#include "ui/kit/SettingsPanel.h"
#include "ui/kit/UpdateService.h"
#include "ui/kit/VYLLookAndFeel.h"
#include "ui/kit/WaveformDisplay.h"
#include "ui/kit/WindowFocus.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class ZobAudioProcessor;

/** The editor's whole user interface: one 400 x 710 canvas that the editor shows at 75 % or
    100 % through a transform. Every widget is a member, placed at fixed canvas coordinates.

    It holds the kick bar (a hidden chooser as the selection model, the kick name, arrows,
    favourite star and key badge), the four knobs, TUNE and OUTPUT with their labels and the
    meter, the kick pad, the header buttons, the kick browser and the settings panel, and it
    is the drop target for kick files. Its 33 ms timer drives the pad's flash, the undo and
    redo buttons and the toast.

    Owned by the editor; it reads and calls the processor, which outlives it, and sets two
    callbacks on it (onStateRestored, the key cache's onChange) that its destructor clears
    first. The members are public so the editor (and the tests) can reach them; they are
    declared in construction order. Message thread only.

    The member functions live in the file of their concern: construction, wiring, layout,
    timer and theme in ZobEditorContent.cpp; the controls, tooltips and undo gestures in
    ContentControls.cpp; the kick selector and keys in KickSelector.cpp; drag-and-drop,
    adding, removing and dragging kicks out in EditorKickFiles.cpp; painting in
    ContentPainting.cpp.
*/
class ZobEditorContent : public juce::Component,
                         public juce::FileDragAndDropTarget,
                         public juce::TooltipClient,
                         public juce::Timer
{
public:
    explicit ZobEditorContent (ZobAudioProcessor& processor);

    ~ZobEditorContent() override;

    //==============================================================================
    /** A transparent component over the kick name and the star: it clicks on a release
        inside it and reports hovering. It answers tooltips with its parent content's, so the
        kick bar's texts show over it too. */
    class ClickCatcher : public juce::Component,
                         public juce::TooltipClient
    {
    public:
        ClickCatcher() = default;
        ~ClickCatcher() override;

        std::function<void()> onClick;
        std::function<void (bool hovered)> onHover;

        void mouseEnter (const juce::MouseEvent&) override;
        void mouseExit (const juce::MouseEvent&) override;
        void mouseUp (const juce::MouseEvent&) override;
        juce::String getTooltip() override;
    };

    /** One rotary control with its title and value labels; the attachment is declared last,
        so it goes before the widgets it binds. */
    struct Knob
    {
        juce::Slider slider { juce::Slider::RotaryHorizontalVerticalDrag, juce::Slider::NoTextBox };
        juce::Label titleLabel;
        juce::Label valueLabel;
        std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment> attachment;
    };

    /** The four small header icons: 0 randomise (a die), 1 undo, 2 redo, 3 compare. */
    class HeaderIconButton : public juce::Button
    {
    public:
        explicit HeaderIconButton (int kindToDraw);
        void paintButton (juce::Graphics&, bool highlighted, bool down) override;

        const int kind;
    };

    /** The settings gear. */
    class GearButton : public juce::Button
    {
    public:
        GearButton();
        void paintButton (juce::Graphics&, bool highlighted, bool down) override;
    };

    /** The film grain drawn over the whole canvas at low opacity; ignores the mouse. */
    class GrainOverlay : public juce::Component
    {
    public:
        GrainOverlay();
        void paint (juce::Graphics&) override;

        juce::Image image;
    };

    //==============================================================================
    // Callbacks that the editor sets; the settings panel's buttons call them.
    std::function<void (float)> onScaleChanged;
    std::function<void (bool)> onDarkModeChanged;
    std::function<void (bool)> onTooltipsChanged;

    // Seams of the platform facilities, replaced by the tests.
    /** The millisecond counter that every time limit of the canvas reads. */
    std::function<juce::uint32()> clock = []
    { return juce::Time::getMillisecondCounter(); };

    /** Hands the drag-out file to the desktop. */
    vyl::FileDragStarter dragStarter = vyl::startExternalFileDrag;

    /** Opens the add-kicks chooser; calls back on the message thread when it is done. */
    std::function<void (juce::FileChooser&, int chooserFlags, std::function<void (const juce::FileChooser&)>)> launchChooser;

    std::unique_ptr<juce::FileChooser> addKicksChooser;
    bool isDragOver = false;
    juce::String toastText;
    juce::uint32 toastExpiryMs = 0;
    vyl::VYLLookAndFeel lookAndFeel;
    ZobAudioProcessor* processor = nullptr;
    BackgroundTexture backgroundTexture;
    juce::ComboBox kickChooser;
    juce::Label kickNameLabel;
    ClickCatcher kickNameCatcher;
    juce::Rectangle<int> prevArrowArea, nextArrowArea;
    int pressedArrow = 0; // -1 previous, +1 next, 0 none
    std::map<int, juce::File> kickFiles; // chooser item id to kick file, ids 1..n in list order
    ClickCatcher starCatcher;
    bool isCurrentFavorite = false, starHovered = false;
    vyl::PresetBrowserPopup browser;
    bool prevArrowHovered = false, nextArrowHovered = false;
    juce::OwnedArray<Knob> knobs;
    vyl::WaveformDisplay pad;
    bool flashActive = false;
    TuneSlider tuneSlider;
    std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment> tuneAttachment;
    juce::Label tuneValueLabel;
    juce::Slider outputSlider { juce::Slider::LinearHorizontal, juce::Slider::NoTextBox };
    std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment> outputAttachment;
    juce::Label outputValueLabel;
    vyl::SegmentedMeter outputMeter;
    HeaderIconButton randomiseButton { 0 }, undoButton { 1 }, redoButton { 2 }, compareButton { 3 };
    bool undoEnabled = false, redoEnabled = false;
    GearButton gearButton;
    vyl::UpdateService updateService; // before the panel that refers to it
    vyl::SettingsPanel settingsPanel;
    GrainOverlay grainOverlay;

    // The control gesture in progress: the sound at its start, pushed as its undo step when
    // it first moves a value; empty between gestures and once pushed.
    std::optional<StateSnapshot> gestureStart;
    const juce::Slider* gestureSlider = nullptr;

    // One burst of wheel events on a control is one undo step: the control and the time of
    // its last wheel-driven drag start, and whether the burst has pushed its step.
    const juce::Slider* lastWheelSlider = nullptr;
    juce::uint32 lastWheelGestureMs = 0;
    bool wheelBurstHasStep = false;

    // The undo history as it was before the kick choice in progress, so that a choice whose
    // kick cannot be loaded leaves no step behind.
    bool choosingKick = false;
    std::vector<StateSnapshot> undoStepsBeforeChoice, redoStepsBeforeChoice;

    // The kick chosen last when it could not be loaded (the one before plays on); the arrows
    // and Up and Down step on from it. Empty once a kick is loaded or the selection follows
    // the processor again.
    juce::File failedKick;

    // The keys work as soon as the window is shown or brought to the front: the canvas (or
    // the open browser) takes the focus that the window holds. Declared last.
    vyl::WindowFocusFollower windowFocus { *this, [this]
                                           { (browser.isVisible() ? static_cast<juce::Component&> (browser) : *this).grabKeyboardFocus(); } };

    //==============================================================================
    // Construction, wiring, layout, timer and theme (ZobEditorContent.cpp).
    void applyTheme();
    void toggleSettingsPanel();
    float getOutputLevel() const;
    void resized() override;
    void timerCallback() override;

    // Controls, header buttons and tooltips (ContentControls.cpp).
    Knob* createKnob (const juce::String& parameterID, const juce::String& title, std::function<juce::String (double)> formatter);
    static juce::String formatPercent (double value);
    static juce::String formatSignedPercent (double value);
    static juce::String formatTune (double semitones);
    static juce::String formatOutput (double decibels);
    void updateTuneLabel();
    void updateOutputLabel();
    void updateUndoRedoButtons();
    void beginControlGesture (const juce::Slider& slider);
    void controlValueChanged (const juce::Slider& slider);
    void endControlGesture();
    void pushUndoStep (const StateSnapshot& before);
    juce::String getTooltip() override;
    juce::String getTooltipAt (juce::Point<int> canvasPoint);

    // Kick selector, navigation and keys (KickSelector.cpp).
    juce::String getKickDisplayName (const juce::String& path) const;
    void rebuildKickChooser();
    void selectKick (const juce::File& file);
    void kickChooserChanged();
    void syncKickChooser();
    void stepKick (int direction);
    void refreshWaveform();
    void updateFavoriteStar();
    void toggleCurrentFavorite();
    void toggleBrowser();
    void showLoadedKickName();
    void mouseMove (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    bool keyPressed (const juce::KeyPress&) override;

    // Kick files: drop, add, remove, drag out, toasts (EditorKickFiles.cpp).
    bool isInterestedInFileDrag (const juce::StringArray& paths) override;
    void fileDragEnter (const juce::StringArray& paths, int x, int y) override;
    void fileDragExit (const juce::StringArray& paths) override;
    void filesDropped (const juce::StringArray& paths, int x, int y) override;
    void addKicks (const juce::StringArray& paths);
    void chooseKicksToAdd();
    void addChosenKicks (const juce::FileChooser& chooser);
    void addChosenFiles (const juce::Array<juce::URL>& results);
    void removeKick (const juce::File& file);
    void dragOutProcessedKick();
    void showToast (const juce::String& text);

    // Painting (ContentPainting.cpp).
    void paint (juce::Graphics&) override;
    void paintOverChildren (juce::Graphics&) override;
    static void drawArrow (juce::Graphics&, juce::Rectangle<int> area, bool pointsLeft, bool hovered, bool enabled);
    static void drawScrew (juce::Graphics&, juce::Point<float> centre, float size);
    static void drawTextAsPath (juce::Graphics&, const juce::String& text, juce::Rectangle<float> area, const juce::Font& font, juce::Colour colour, float angleDegrees);

    //==============================================================================
    // The fixed layout, in canvas pixels.
    static constexpr int canvasWidth = 400;
    static constexpr int canvasHeight = 710;
    static inline const juce::Rectangle<int> kickBarBounds { 20, 123, 360, 37 };
    static inline const juce::Rectangle<int> prevArrowBounds { 20, 123, 45, 37 };
    static inline const juce::Rectangle<int> nextArrowBounds { 335, 123, 45, 37 };
    static inline const juce::Rectangle<int> starBounds { 73, 133, 17, 17 };
    static inline const juce::Rectangle<int> kickNameBounds { 107, 123, 186, 37 };
    static inline const juce::Rectangle<int> kickNameCatcherBounds { 90, 123, 245, 37 };
    static inline const juce::Rectangle<int> keyBadgeBounds { 293, 123, 36, 37 };
    static inline const juce::Rectangle<int> padBounds { 93, 317, 214, 214 };
    static inline const juce::Rectangle<int> tuneSliderBounds { 20, 554, 360, 20 };
    static inline const juce::Rectangle<int> tuneValueBounds { 240, 536, 140, 14 };
    static inline const juce::Rectangle<int> outputValueBounds { 35, 628, 62, 20 };
    static inline const juce::Rectangle<int> outputSliderBounds { 116, 612, 246, 20 };
    static inline const juce::Rectangle<int> outputMeterBounds { 116, 639, 246, 9 };
    static inline const juce::Rectangle<int> gearBounds { 352, 22, 20, 20 };
    static inline const juce::Rectangle<int> toastBounds { 105, 407, 190, 34 };

    static constexpr int knobColumnX = 20, knobColumnWidth = 90;
    static constexpr int knobSliderInset = 11, knobSliderY = 212, knobSliderSize = 68;
    static constexpr int knobTitleY = 182, knobTitleHeight = 16;
    static constexpr int knobValueY = 280, knobValueHeight = 17;
    static constexpr int headerButtonX = 26, headerButtonPitch = 26, headerButtonY = 22, headerButtonSize = 20;

    static constexpr int timerIntervalMs = 33;
    static constexpr juce::uint32 flashDurationMs = 450;
    static constexpr juce::uint32 toastDurationMs = 2500;
    static constexpr juce::uint32 wheelGestureGapMs = 400; // a pause this long ends a wheel gesture

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZobEditorContent)
};
