#pragma once
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "player/BeatClock.h"
#include "player/BeatSound.h"
#include "player/Cursor.h"
#include "player/PlayAlong.h"
#include "player/PracticePanel.h"
#include "player/Strip.h"
#include "player/TagScheme.h"
#include "player/TempoEditor.h"
#include "player/Transport.h"
#include "score/ScoreSheet.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <vector>

namespace midi {
struct NoteEvent;
}

namespace ui {
class Button;
class Label;
class ScrollView;
class SegmentedControl;
class Slider;
class TextField;
class View;
}

namespace player {

class HelpOverlay;
class Strip;
class StripBuilder;

// The player screen. The library hands it a display mode and a song name, then presents it.
// When its view loads it opens the song, lays every row of it out on one long horizontal strip
// and puts the beat cursor on the first beat. The work is done by its parts: the strip builder
// (layout), the beat clock (timers), the cursor (panels, bands, circles, page turns), the
// transport (position, stepping, play range) and the tempo editor; the screen owns the views and
// wires the controls' actions to the parts.
class ViewController : public ui::ViewController, public ui::TextFieldDelegate {
public:
    static std::shared_ptr<ViewController> create();
    ~ViewController() override;

    // Stores the display mode (1, 2 or 3) and the song name; nothing else.
    void setMode(int32_t mode, const std::string& file);

    // The screen's fixed views: the strip, the key beside it, the cursor and the toolbar.
    void loadView() override;
    // Opens and lays out the song; see the steps in the implementation.
    void viewDidLoad() override;
    // Lets go of the views, as the platform does when it unloads a hidden screen's view.
    void viewDidUnload();
    void keyPressed(ui::Key key) override;
    std::string className() const override { return "ViewController"; }

    // Layout of one score row into the strip (or the key view).
    void drawData(const score::ScoreRow& row);
    void initGlobalFactor();
    // Lays the quarter-beat circles over the current beat, or hides them for a fast beat.
    void showCircularView();
    // Shows one tempo label per finished group whose beats share a tempo, or all of its labels.
    void rearrangeTempoControls();
    // Steps every beat's tempo by global_factor (+1 or -1); beats that would fall below 1 stay.
    void tempoValue();

    // Whether the song has beats and bars to play; without them the transport does nothing.
    bool canPlay() const;

    // The beat clock and the cursor. A beat lasts 60 / tempo seconds of its own row.
    float calculateDuration();
    void startTimer(float duration);
    // Puts the cursor on beat `index`, lays the circles over it and re-arms the beat timer.
    void moveShader();
    // Scrolls the bar being entered to the left edge when it would reach past x = 940.
    void changePage();
    // One beat forward (wrapping from the end of the play range to its first bar), one bar back,
    // and a jump to beat 1 of bar p (counted from 1).
    void nextSection();
    void previousSection();
    void skipToPage(int32_t p);
    // The quarter-beat circles of a slow beat.
    void circleLife();
    void resetCircle();
    void startCircleTimer(float duration);

    // How the beat timer re-arms when it drives the step itself: against the due time of the
    // beat it ended, or from the moment the step runs (kept for measuring the difference).
    enum class BeatClock { Deadline, FromStep };
    void setBeatClock(BeatClock mode);
    // The tags of the beat controls of this song (set at set-up from its highest beat key).
    const TagScheme& tagScheme() const { return m_tempi.tags(); }
    // Told, on the main thread, whether each Save reached the settings store.
    void setSaveCompletion(std::function<void(bool saved)> completion) { m_saveCompletion = std::move(completion); }

    // Practice: beat 1 of bar p (from 1) from wherever the cursor is, playing or not; a playing
    // clock keeps its beat deadline and steps on from there.
    void goToBar(int32_t p);
    // The speed in percent of the written tempi: every beat lasts 100 / speed times as long.
    void setSpeed(int32_t percent);
    int32_t speed() const { return m_practice.speed(); }
    // Whether tempo edits wait to be saved.
    bool hasUnsavedTempi() const { return m_tempiEdited; }
    bool isHelpShown() const { return m_help != nullptr; }
    const PracticePanel& practicePanel() const { return m_practice; }
    PracticePanel& practicePanel() { return m_practice; }
    const std::shared_ptr<ui::View>& loopBand() const { return m_loopBand; }

    // Sound: the click, the count-in and the notes (keys M, C and N), the volume and the offset of
    // the sound against the picture, remembered across runs.
    const BeatSound& sound() const { return m_sound; }
    void setSoundSettings(const audio::SoundSettings& settings);
    void toggleClick(ui::Object* sender);
    void toggleCountIn(ui::Object* sender);
    void toggleNotes(ui::Object* sender);
    // Between play and the cursor's start while a bar is counted in.
    bool isCountingIn() const { return m_countingIn; }

    // Playing along on a MIDI keyboard: a key went down or up (on the main thread, stamped with
    // when it was played). Held keys light up in the key, played notes are judged against the
    // song's notes and marked on the strip; in wait mode the cursor waits on each beat where notes
    // start until they are all played.
    void notePlayed(const midi::NoteEvent& event);
    const PlayAlong& playAlong() const { return m_playAlong; }
    void toggleWaitMode(ui::Object* sender);
    bool isWaiting() const { return m_playAlong.isWaiting(); }
    // 20 to 300 ms either side of a note's time.
    void setToleranceMs(int32_t milliseconds);
    // The running count of this pass.
    midi::Judge::Tally score() const;
    // The next MIDI input port, or none after the last.
    void cycleMidiInput(ui::Object* sender);

    // Actions of the fixed controls.
    void togglePractice(ui::Object* sender);
    void showHelp(ui::Object* sender);
    void backtoModeSelection(ui::Object* sender);
    void play(ui::Object* sender);
    void pause(ui::Object* sender);
    void next(ui::Object* sender);
    void previous(ui::Object* sender);
    void repeatControlChanged(ui::Object* sender);
    void changeOpacity(ui::Object* sender);
    void saveChanges(ui::Object* sender);
    void increase(ui::Object* sender);
    void decrease(ui::Object* sender);
    // Actions of the beat controls.
    void showControl(ui::Object* sender);
    void userLongPressed(ui::Object* sender);
    void addTempo(ui::Object* sender);
    void subtractTempo(ui::Object* sender);
    // The bar fields: the return key ends editing.
    bool textFieldShouldReturn(ui::TextField* textField) override;

    // The parts, for reading.
    const score::ScoreSheet& sheet() const { return m_sheet; }
    const player::BeatClock& clock() const { return m_clock; }
    const Cursor& cursor() const { return m_cursor; }
    const Transport& transport() const { return m_transport; }
    const TempoEditor& tempoEditor() const { return m_tempi; }

    // Player state, read by its usual names.
    int32_t mode() const { return m_mode; }
    const std::string& fileName() const { return m_fileName; }
    const std::vector<score::ScoreRow>& shadowArray() const { return m_sheet.shadowArray(); }
    const std::vector<score::ScoreRow>& displayArray() const { return m_sheet.displayArray(); }
    const std::vector<std::shared_ptr<ui::View>>& circlesArray() const { return m_cursor.circlesArray(); }
    int32_t index() const { return m_transport.index(); }
    float timerFactor() const { return m_clock.timerFactor(); }
    const std::shared_ptr<core::Timer>& timer() const { return m_clock.timer(); }
    const std::shared_ptr<core::Timer>& circletimer() const { return m_clock.circletimer(); }
    int32_t page() const { return m_transport.page(); }
    int32_t startPage() const { return m_transport.startPage(); }
    int32_t maxPage() const { return m_transport.maxPage(); }
    int32_t shaderIndex() const { return m_transport.shaderIndex(); }
    int32_t global_factor() const { return m_globalFactor; }
    int32_t circleIndex() const { return m_cursor.circleIndex(); }
    float movedLength() const { return m_transport.movedLength(); }

    // Views of the screen.
    std::shared_ptr<ui::ScrollView> scrollView() const { return m_scrollView; }
    const std::shared_ptr<Strip>& strip() const { return m_scrollView; }
    const std::shared_ptr<ui::View>& leftShader() const { return m_cursor.leftShader(); }
    const std::shared_ptr<ui::View>& rightShader() const { return m_cursor.rightShader(); }
    const std::shared_ptr<ui::View>& upShader() const { return m_cursor.upShader(); }
    const std::shared_ptr<ui::View>& downShader() const { return m_cursor.downShader(); }
    const std::shared_ptr<ui::View>& finalshader() const { return m_cursor.finalshader(); }
    const std::shared_ptr<ui::View>& keyView() const { return m_keyView; }
    const std::shared_ptr<ui::SegmentedControl>& repeat_SC() const { return m_repeatControl; }
    const std::shared_ptr<ui::TextField>& start_TF() const { return m_startField; }
    const std::shared_ptr<ui::TextField>& end_TF() const { return m_endField; }

    // Screen design, shared with the tests and the script driver.
    static constexpr double kToolbarHeight = 56;
    // The key stands along the right edge, where the page turn never lets the current bar reach.
    static constexpr double kKeyX = 940;
    static constexpr double kKeyWidth = 84;
    static constexpr double kContentHeight = 736;
    static constexpr double kInitialOpacity = 0.45;

private:
    bool practiceKeyPressed(ui::Key key);
    ViewController();

    void layOutSong();
    void placeCursorAtSetUp();
    void placeCursor();
    const score::ScoreRow* currentBeat() const;
    void stopAtLastBeat();
    void showAlert(const char* message);
    // Practice: the readout, the loop band, saved state and leaving.
    void installPractice(ui::View& root);
    void refreshPosition();
    void showLoop();
    void restorePractice();
    void saveLoop(bool on);
    void showTransportState();
    void hideHelp();
    void leave();
    // Sound: the controls in the practice panel and the events of the beats the cursor enters.
    void installSound(ui::View& room);
    void showSound();
    void collectNotes();
    void countIn();
    void finishCountIn(ui::Object* sender);
    void startPlaying(bool afterCountIn);
    double soundSpeed() const;
    // The beat entered now, or at the deadline sent ahead when `continued` (the beat timer's own
    // step, or the end of a count-in); `nextDue` overrides when the beat after it comes.
    void soundEnteredBeat(bool continued, std::optional<double> nextDue = std::nullopt);
    void silenceSound();
    // Playing along: the controls, the song's notes, what the cursor does and the keys' marks.
    void installPlayAlong(ui::View& room);
    void collectPlayAlongNotes();
    // The cursor entered the current beat at `start` while playing: its notes are expected, or in
    // wait mode the clock holds there. True when it holds.
    bool playAlongEnteredBeat(double start);
    void releaseWait(double time);
    // A pause, a step or a jump: no chord is waited for, and notes still to come are not expected.
    void stopPlayingAlong();
    void passEnded();
    void judgeUntil(double now);
    void armJudgeTimer(double at);
    void showScore();
    void showHeld(int pitch, bool held);
    void addMark(const midi::Judge::Press& press);
    double stripXAt(double time) const;
    void showMidiInput();
    void rescanMidi();
    void listenToKeys();
    std::vector<audio::BeatSpan> beatSpansFrom(size_t index) const;
    struct Upcoming {
        size_t index;
        audio::Accent accent;
        bool wraps;
    };
    std::optional<Upcoming> upcomingBeat() const;
    void askAboutUnsavedTempi();
    void saveTempi(std::function<void(bool)> done);
    // Tempo editing: the beat key named by a control's tag, when it names a beat of both lists.
    bool isEditableKey(int32_t key) const;
    void revealControls(int32_t key);
    void buildToolbar(ui::View& root);
    void addBarFields(ui::View& bar);
    std::shared_ptr<ui::Button> makeToolbarButton(ui::View& toolbar, const char* identifier, const char* title, double x, double width,
        void (ViewController::*action)(ui::Object*));

    int32_t m_mode = 0;
    std::string m_fileName;
    int32_t m_globalFactor = 0;
    score::ScoreSheet m_sheet;
    player::BeatClock m_clock;
    Cursor m_cursor;
    Transport m_transport;
    TempoEditor m_tempi;
    std::unique_ptr<StripBuilder> m_builder;
    std::function<void(bool)> m_saveCompletion;

    std::shared_ptr<Strip> m_scrollView;
    std::shared_ptr<ui::View> m_keyView;
    std::shared_ptr<ui::SegmentedControl> m_repeatControl;
    std::shared_ptr<ui::TextField> m_startField;
    std::shared_ptr<ui::TextField> m_endField;
    std::shared_ptr<ui::View> m_toolbar;
    std::shared_ptr<ui::Slider> m_opacitySlider;
    std::shared_ptr<ui::Button> m_playButton;
    std::shared_ptr<ui::Button> m_pauseButton;

    PracticePanel m_practice;
    bool m_loopOn = false;
    bool m_tempiEdited = false;
    std::shared_ptr<ui::View> m_loopBand;
    std::shared_ptr<HelpOverlay> m_help;

    BeatSound m_sound;
    bool m_countingIn = false;
    std::shared_ptr<ui::Button> m_clickButton;
    std::shared_ptr<ui::Button> m_countInButton;
    std::shared_ptr<ui::Button> m_notesButton;
    std::shared_ptr<ui::Slider> m_volumeSlider;
    std::shared_ptr<ui::Slider> m_offsetSlider;
    std::shared_ptr<ui::Label> m_offsetLabel;
    std::shared_ptr<ui::Label> m_soundStatus;

    PlayAlong m_playAlong;
    // The beat the cursor entered last while playing: when, and where it lies on the strip (points).
    double m_beatStart = 0;
    double m_beatLeft = 0;
    double m_beatWidth = 0;
    double m_beatSeconds = 0;
    std::shared_ptr<core::Timer> m_judgeTimer;
    std::shared_ptr<core::Timer> m_rescanTimer;
    std::shared_ptr<ui::Button> m_midiButton;
    std::shared_ptr<ui::Button> m_waitButton;
    std::shared_ptr<ui::Slider> m_toleranceSlider;
    std::shared_ptr<ui::Label> m_toleranceLabel;
    std::shared_ptr<ui::Label> m_scoreLabel;
    std::shared_ptr<ui::Label> m_bestLabel;
    std::shared_ptr<ui::Label> m_historyLabel;
    std::map<int, std::shared_ptr<ui::View>> m_heldViews;
    struct Mark {
        std::shared_ptr<ui::View> view;
        uint32_t pass;
    };
    std::vector<Mark> m_marks;
    uint32_t m_passNumber = 0;
};

// Makes the player screen available from the storyboard as "Main".
void registerPlayerScreen();

}
