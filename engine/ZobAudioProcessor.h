#pragma once

#include "engine/KickVoice.h"
#include "engine/LastResult.h"
#include "engine/LoadedSample.h"
#include "engine/PunchStage.h"
#include "engine/StateSnapshot.h"
#include "engine/ToneStage.h"
#include "engine/TransientStage.h"
#include "library/FavoritesStore.h"
#include "library/KeyCache.h"
#include "library/KickPitchAnalysis.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <functional>
#include <vector>

/** The plug-in's audio processor: the one object the wrapper creates, prepares, feeds with
    audio blocks, asks for its editor and saves.

    It owns everything that outlives the editor: the six parameters, the loaded kick and the
    voice that plays it, the effect stages, the loaded kick's pitch, the pad's keyboard state
    and the output meters.

    Threads: construction, destruction, loading, rendering and every call the editor makes run
    on the message thread. processBlock runs on the audio thread; it never allocates, never
    waits on a lock of ours (the sample lock is only tried) and touches the message thread
    only through atomics (compareEnabled, the parameters' raw values, lastTriggerTime,
    peakLeft, peakRight). currentWet, previousWet and previousOutputGain belong to the audio
    thread (and to prepareToPlay while no block runs).
*/
class ZobAudioProcessor : public juce::AudioProcessor
{
public:
    ZobAudioProcessor();
    ~ZobAudioProcessor() override;

    //==============================================================================
    const juce::String getName() const override { return "ZOB"; }
    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override {}
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    using juce::AudioProcessor::processBlock; // the double-precision one stays JUCE's
    double getTailLengthSeconds() const override { return 2.0; }
    bool acceptsMidi() const override { return true; }
    bool producesMidi() const override { return false; }
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override { return true; }
    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    // The one program is named: VST3 hosts list it as a factory preset, and a nameless
    // one fails Steinberg's validator.
    const juce::String getProgramName (int) override { return "Default"; }
    void changeProgramName (int, const juce::String&) override {}
    void getStateInformation (juce::MemoryBlock&) override;
    void setStateInformation (const void*, int) override;
    bool isBusesLayoutSupported (const BusesLayout&) const override;

    //==============================================================================
    static juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

    //==============================================================================
    // The audio path (audio thread, and the offline render on the message thread).

    /** The note-on rule: (re)triggers the voice and stamps lastTriggerTime. */
    void triggerKick (float velocity) noexcept;

    /** Shapes buffer in place: TRANSIENT, PUNCH and TONE from the current parameter values,
        each scaled by wet (0 unshaped .. 1 fully shaped), then the OUTPUT gain ramped from
        gainStart to gainEnd across the buffer, then the soft clipper. The audio block runs
        it with the processor's stages, the offline render with its own. Never allocates. */
    void applyEffectChain (juce::AudioBuffer<float>& buffer,
                           TransientStage& transient,
                           PunchStage& punch,
                           ToneStage& tone,
                           float gainStart,
                           float gainEnd,
                           float wet) noexcept;

    //==============================================================================
    // Kick loading and the offline render (message thread).

    /** Reads the file, measures its pitch and swaps it in as the current kick. On false
        (the file cannot be read) nothing in the processor has changed. */
    bool loadSample (const juce::File& file);

    /** Puts incoming in place of the loaded kick and stops the voice, in one step under
        the sample lock; on return incoming holds the previous kick, so its memory is freed by
        the caller after the lock has been released. */
    void swapInKick (LoadedSample& incoming);

    /** The loaded kick's pitch, copied whole under its lock. */
    KickPitchResult getKickPitch() const;

    /** Renders one hit of the loaded kick as the knobs have it, at the kick's own rate, with
        a fresh voice and fresh stages; trims the silent tail and folds identical channels to
        mono. False, with out and outSampleRate untouched, when no kick is loaded or the
        render cannot have the memory it needs. Changes no processor state. */
    bool renderProcessedKick (juce::AudioBuffer<float>& out, double& outSampleRate);

    //==============================================================================
    // Saved state and UI settings (engine/ProcessorState.cpp), message thread.

    /** Converts the LENGTH value of a state saved with an older LENGTH curve, in place, to
        the position of the current curve that gives the same decay. */
    static void migrateLengthCurve (juce::XmlElement& state);

    /** "ui.xml" in the per-user program folder, and "keycache.xml" beside it. */
    static juce::File getUiSettingsFile();
    static juce::File getKeyCacheFile();

    /** Reads the UI settings file; a missing or unreadable one gives 1.0, false, true. */
    static void loadUiSettings (float& uiScale, bool& uiDarkMode, bool& showTooltips);

    /** Writes one attribute into the UI settings file, keeping the others. Several instances
        share the file without a lock: the last writer wins. */
    static void saveUiSetting (const juce::String& name, const juce::var& value);

    /** The editor's setters: each stores the setting and writes the file only when it changed. */
    void setUiScale (float scale);
    void setUiDarkMode (bool dark);
    void setShowTooltips (bool show);

    //==============================================================================
    // Undo, redo and randomise (engine/UndoHistory.cpp), message thread. Every parameter
    // write here is one user gesture (begin, set, end), so hosts record it like a drag.

    StateSnapshot captureSnapshot() const;

    /** Records the current sound before a change; forgets the redo side. */
    void pushUndoSnapshot();

    /** Records a sound captured earlier, when the change it came before is already under
        way (a control gesture whose first movement has just happened); forgets the redo side. */
    void pushUndoSnapshot (const StateSnapshot& before);

    /** True when a snapshot was applied; both call onStateRestored synchronously then. */
    bool undo();
    bool redo();

    /** Loads the snapshot's kick when it differs and can be loaded, then sets the six values. */
    void applySnapshot (const StateSnapshot& snapshot);

    /** Pushes a snapshot, then rolls TRANSIENT, PUNCH, LENGTH and TONE within randomiseRanges. */
    void randomiseShaping();

    /** Sets one parameter to a raw (denormalised) value; unknown IDs are skipped. */
    void setParameterWithGesture (const juce::String& parameterID, float value);

    /** The raw value of a parameter, or fallback when there is none with that ID. */
    float getParameterValue (const juce::String& parameterID, float fallback) const;

    /** TRANSIENT, PUNCH, LENGTH and TONE back to their defaults; TUNE and OUTPUT stay. */
    void resetShaping();

    //==============================================================================
    // Kick library (no processor state; defined in library/).

    // Kick folders and listing (library/KickFolders.cpp), message thread. Lists are full
    // paths sorted by file name; a missing folder lists nothing.
    /** "ZOB Presets" beside the plug-in bundle or the executable, else the all-users
        presets folder when that exists. Need not exist. */
    static juce::File getFactoryKicksFolder();
    static juce::StringArray listFactoryKicks();
    static juce::StringArray listUserKicks();

    // Import and removal of user kicks (library/UserKickImport.cpp). Import copies every
    // usable file into the user kick folder and returns the new files' paths in the given
    // order; removal touches only files inside that folder.
    static juce::StringArray importUserKicks (const juce::StringArray& paths);
    static bool deleteUserKick (const juce::File& file);

    // Drag-out export (library/DragExport.cpp): this instance's folder under the temporary
    // folder's "ZOB Drag", and the processed kick written there as a 24-bit WAV; the export
    // returns the file's full path, or an empty string when nothing was written.
    juce::File getDragExportFolder() const;
    juce::String exportKickForDrag();

    //==============================================================================
    std::function<void()> onStateRestored;

    juce::AudioProcessorValueTreeState parameters;

    std::atomic<bool> compareEnabled { false };
    float currentWet = 1.0f; // compare crossfade position: 1 fully shaped, 0 unshaped
    float previousWet = 1.0f; // currentWet of the previous block
    double hostSampleRate = 44100.0;

    LoadedSample loadedSample;
    KickVoice voice;
    juce::SpinLock sampleLock; // the loader holds it for the swap; the audio thread only tries it
    TransientStage transientStage;
    PunchStage punchStage;
    ToneStage toneStage;

    FavoritesStore favorites; // favourite kick file names, reloaded from their file on construction

    KickPitchResult kickPitch;
    mutable juce::SpinLock kickPitchLock;

    vyl::KeyCache keyCache; // per-file pitch of the listed kicks; its thread starts with it

    juce::AudioFormatManager formatManager;
    juce::MidiKeyboardState keyboardState; // the pad plays into it; every block merges it
    juce::String samplePath;
    juce::String instanceId;

    // The UI settings: stored in the UI settings file and in the plug-in state; the editor
    // reads them directly and changes them through the setters.
    float uiScale = 1.0f; // 0.75 or 1.0
    bool uiDarkMode = false;
    bool showTooltips = true;

    // Undo history of the sound; back() is the most recent step. Not saved with the state,
    // emptied when a state is restored. The editor only asks whether each is empty.
    std::vector<StateSnapshot> undoStack; // at most 64 steps
    std::vector<StateSnapshot> redoStack;

    std::atomic<juce::uint32> lastTriggerTime { 0 }; // millisecond counter at the last note-on
    float previousOutputGain = 1.0f; // linear OUTPUT gain of the previous block
    std::atomic<float> peakLeft { 0.0f }; // decaying output peaks, read by the meter
    std::atomic<float> peakRight { 0.0f };

private:
    void renderVoiceAndMidi (juce::AudioBuffer<float>& buffer, const juce::MidiBuffer& midiMessages) noexcept;

    /** One step of undo (from the undo side to the redo side) or of redo (the other way). */
    bool stepThroughHistory (std::vector<StateSnapshot>& from, std::vector<StateSnapshot>& to);

    /** The parameters' raw (denormalised) values, looked up once at construction. */
    struct RawParameters
    {
        std::atomic<float>* transientAmount = nullptr;
        std::atomic<float>* punchAmount = nullptr;
        std::atomic<float>* lengthAmount = nullptr;
        std::atomic<float>* toneAmount = nullptr;
        std::atomic<float>* tuneSemitones = nullptr;
        std::atomic<float>* outputGainDb = nullptr;
    };

    RawParameters raw;

    /** What processBlock derives with pow from values that rarely change, kept from block to
        block (audio thread). */
    struct BlockConstants
    {
        zob::LastResult<float, double> pitchRatio; // of TUNE
        zob::LastResult<float, float> outputGain; // of OUTPUT
        zob::LastResult<double, float> meterDecay; // of the block's length in seconds
    };

    BlockConstants blockConstants;

    /** The block's events with the pad's notes merged in (audio thread). Its room is made at
        construction, so the merge never allocates: the host's own buffer may have none to
        spare, and a plug-in without MIDI output hands that buffer back as it came. */
    juce::MidiBuffer blockEvents;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZobAudioProcessor)
    JUCE_DECLARE_WEAK_REFERENCEABLE (ZobAudioProcessor) // last member: cleared first on destruction
};
