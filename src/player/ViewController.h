#pragma once
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "player/TagScheme.h"
#include "score/BeatNumbering.h"
#include "score/ScoreRow.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {
class Button;
class Image;
class ScrollView;
class SegmentedControl;
class Slider;
class TextField;
class View;
}

namespace core {
class Timer;
}

namespace player {

class Tempo;

// The player screen. The library hands it a display mode and a song name, then presents it.
// When its view loads it reads the song, lays out every row of it on one long horizontal strip,
// builds the beat list and the bar list, and puts the beat cursor on the first beat. Playback,
// stepping and tempo editing act on the fields below.
class ViewController : public ui::ViewController, public ui::TextFieldDelegate {
public:
    static std::shared_ptr<ViewController> create();
    ~ViewController() override;

    // Stores the display mode (1, 2 or 3) and the song name; nothing else.
    void setMode(int32_t mode, const std::string& file);

    // The screen's fixed views: the strip, the key beside it, the cursor and the toolbar.
    void loadView() override;
    // Reads and lays out the song; see the steps in the implementation.
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

    // The beat clock and the cursor. A beat lasts 60 / tempo seconds of its own row; the beat
    // timer is one-shot and re-armed on every step.
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
    // beat it ended, so latency never adds up, or from the moment the cursor is placed (kept for
    // measuring the difference).
    enum class BeatClock { Deadline, FromStep };
    void setBeatClock(BeatClock clock) { m_beatClock = clock; }
    // The tags of the beat controls of this song (set at set-up from its highest beat key).
    const TagScheme& tagScheme() const { return m_tags; }

    // Actions of the fixed controls.
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

    // Player state.
    int32_t mode = 0;
    std::string fileName;
    std::vector<score::ScoreRow> shadowArray;
    std::vector<score::ScoreRow> displayArray;
    std::vector<std::shared_ptr<Tempo>> tempoArray;
    std::vector<std::shared_ptr<ui::Button>> upBtnControls;
    std::vector<std::shared_ptr<ui::Button>> downBtnControls;
    std::vector<std::vector<std::shared_ptr<Tempo>>> tempLabelControls;
    std::vector<std::shared_ptr<Tempo>> groupControls;
    std::vector<std::shared_ptr<ui::View>> circlesArray;
    int32_t index = 0;
    float timerFactor = 1.0f;
    std::shared_ptr<core::Timer> timer;
    std::shared_ptr<core::Timer> circletimer;
    int32_t page = 1;
    int32_t startPage = 1;
    int32_t maxPage = 0;
    int32_t shaderIndex = 1;
    int32_t global_factor = 0;
    int32_t circleIndex = 0;
    float movedLength = 0.0f;

    // Views of the screen.
    std::shared_ptr<ui::ScrollView> scrollView;
    std::shared_ptr<ui::View> leftShader;
    std::shared_ptr<ui::View> rightShader;
    std::shared_ptr<ui::View> upShader;
    std::shared_ptr<ui::View> downShader;
    std::shared_ptr<ui::View> finalshader;
    std::shared_ptr<ui::View> keyView;
    std::shared_ptr<ui::SegmentedControl> repeat_SC;
    std::shared_ptr<ui::TextField> start_TF;
    std::shared_ptr<ui::TextField> end_TF;

    // Screen design, shared with the tests and the script driver.
    static constexpr double kToolbarHeight = 56;
    // The key stands along the right edge, where the page turn never lets the current bar reach.
    static constexpr double kKeyX = 940;
    static constexpr double kKeyWidth = 84;
    static constexpr double kContentHeight = 736;
    static constexpr double kInitialOpacity = 0.45;

private:
    ViewController();

    // The five cursor frames for beat `index`; shared by set-up and every step.
    void placeCursor();
    // Moves the position to beat 1 of bar p; false (nothing changed) when no such bar or beat.
    bool jumpToBar(int32_t p);
    void stopAtLastBeat();
    void showAlert(const char* message);
    // Tempo editing: unhides a beat's label, "+" and "-"; writes a label's tempo into a copy of
    // its row in a fresh beat list.
    void revealControls(int32_t key);
    void setBeatTempo(size_t position, const Tempo& label);
    void buildToolbar(ui::View& root);
    std::shared_ptr<ui::Button> makeToolbarButton(ui::View& toolbar, const char* identifier, const char* title, double x, double width,
        void (ViewController::*action)(ui::Object*));

    TagScheme m_tags;
    // Beat keys by the key rule, or by place for songs whose bars differ in beats.
    score::BeatNumbering m_numbering;
    // Whether the settings store held a beat list that fits this song; layout then takes the
    // tempo texts from it.
    bool m_hasSavedBeatList = false;
    std::shared_ptr<ui::Image> m_upperTriangle;
    std::shared_ptr<ui::Image> m_lowerTriangle;
    std::shared_ptr<ui::View> m_toolbar;
    std::shared_ptr<ui::Slider> m_opacitySlider;
    BeatClock m_beatClock = BeatClock::Deadline;
    // While the beat timer drives a step: the time its beat was due, the base of the next one.
    std::optional<double> m_beatDue;
};

// Makes the player screen available from the storyboard as "Main".
void registerPlayerScreen();

}
