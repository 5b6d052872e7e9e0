// The player's clock and position, as the screen wires them: the beat timer and the cursor,
// stepping and bar jumps, the quarter-beat circles, and the transport and repeat controls.
#include "player/ViewController.h"

#include "midi/Keyboard.h"
#include "platform/core/Log.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TextField.h"
#include "player/PracticeSettings.h"
#include "score/Columns.h"
#include "score/Readings.h"
#include "score/RowKind.h"

namespace player {

namespace column = score::column;

float ViewController::calculateDuration()
{
    auto* beat = currentBeat();
    return beat ? player::BeatClock::beatLength(*beat) : 0.0f;
}

void ViewController::startTimer(float duration)
{
    auto self = std::static_pointer_cast<ViewController>(shared_from_this());
    ViewController* raw = self.get();
    if (m_clock.armBeat(duration, self, [raw](core::Timer& timer) { raw->next(&timer); }))
        return;
    auto* beat = currentBeat();
    core::log("Beat %d has no playable tempo (\"%s\"): the beat timer stays stopped", index() + 1,
        beat ? std::string(beat->text(column::tempo)).c_str() : "");
}

void ViewController::startCircleTimer(float duration)
{
    // The beat timer has said why already when a quarter of an unplayable beat is not armed.
    auto self = std::static_pointer_cast<ViewController>(shared_from_this());
    ViewController* raw = self.get();
    m_clock.armQuarter(duration, self, [raw](core::Timer&) { raw->circleLife(); });
}

void ViewController::moveShader()
{
    placeCursor();
    showCircularView();
    startTimer(calculateDuration());
}

void ViewController::changePage()
{
    int32_t page = m_transport.page();
    const auto& bars = m_sheet.displayArray();
    if (page < 1 || size_t(page) > bars.size())
        return;
    double barWidth = double(bars[size_t(page) - 1].floatValue(column::length) * 0.5f);
    if (!m_cursor.needsPageTurn(barWidth))
        return;
    auto* beat = currentBeat();
    m_cursor.turnPage(beat ? score::halfWhole(*beat, column::length) : 0);
    if (page > m_transport.startPage())
        m_scrollView->setContentOffset({ m_scrollView->contentOffset().x + double(m_transport.movedLength()), 0 }, ui::Animated::No);
    else
        m_scrollView->setContentOffset({ 0, 0 }, ui::Animated::No);
    m_transport.pageTurned();
}

void ViewController::nextSection()
{
    switch (m_transport.stepForward(m_sheet, *m_scrollView)) {
    case Transport::Step::None:
        return;
    case Transport::Step::OffTheEnd:
        return stopAtLastBeat();
    case Transport::Step::EnteredBar:
        changePage();
        break;
    case Transport::Step::Wrapped:
        // A completed pass of the repeated bars or the song: its accuracy is kept, and the trainer
        // may raise the speed for the next.
        passEnded();
        break;
    case Transport::Step::InBar:
        break;
    }
    moveShader();
}

// A song whose bars promise more beats than it has: the position stays on its last beat and the
// clock stops there rather than read past the beat list.
void ViewController::stopAtLastBeat()
{
    core::log("Bar %d expects more beats than the song has: playback stops at beat %d", page(), index() + 1);
    m_clock.stopBeat();
    m_clock.stopQuarter();
    m_repeatControl->setEnabled(true);
    showTransportState();
}

// One bar back lands on beat 1 of the bar before, exactly where a jump there would put it. The
// jump has scrolled already, so no page turn follows: it would scroll to 0 when that bar starts
// the play range and lose the cursor.
void ViewController::previousSection()
{
    if (page() < 2)
        return;
    skipToPage(page() - 1);
    moveShader();
}

void ViewController::skipToPage(int32_t p)
{
    m_transport.jumpToBar(p, m_sheet, *m_scrollView);
}

void ViewController::circleLife()
{
    m_cursor.hideCircles();
    auto* beat = currentBeat();
    if (!beat || beat->intValue(column::tempo) > 59)
        return;
    int32_t lit = m_cursor.lightNextCircle();
    core::log("%s  :  %d", "circleLife", lit);
    startCircleTimer(calculateDuration() * 0.25f);
}

void ViewController::resetCircle()
{
    m_cursor.resetCircles();
    m_clock.stopQuarter();
}

void ViewController::play(ui::Object*)
{
    if (!canPlay())
        return;
    if (m_countingIn)
        return;
    if (m_sound.active() && m_sound.settings().countIn && !m_clock.isRunning())
        return countIn();
    startPlaying(false);
}

void ViewController::startPlaying(bool afterCountIn)
{
    startTimer(calculateDuration());
    startCircleTimer(calculateDuration() * 0.25f);
    m_cursor.setPanelsHidden(false);
    m_repeatControl->setEnabled(false);
    // A performance replayed from a file starts with the cursor, after any count-in.
    const double start = m_clock.stepDue().value_or(core::RunLoop::main().now());
    midi::Keyboard::shared().startReplay(start);
    const bool waits = m_clock.isRunning() && playAlongEnteredBeat(start);
    showTransportState();
    if (!waits)
        soundEnteredBeat(afterCountIn);
}

void ViewController::pause(ui::Object*)
{
    if (!canPlay())
        return;
    m_clock.stopBeat();
    m_clock.stopQuarter();
    silenceSound();
    stopPlayingAlong();
    m_cursor.setPanelsHidden(true);
    m_repeatControl->setEnabled(true);
    showTransportState();
}

void ViewController::next(ui::Object* sender)
{
    if (!canPlay())
        return;
    // Leaving the screen from inside this step must not destroy it under our feet.
    auto self = shared_from_this();
    // The beat timer's own step enters the beat sent ahead; any other step starts afresh from now.
    const bool byTimer = sender && sender == static_cast<const core::Object*>(m_clock.timer().get());
    m_countingIn = false;
    if (!byTimer)
        stopPlayingAlong();
    m_clock.beginStep(sender);
    startTimer(calculateDuration());
    resetCircle();
    startCircleTimer(calculateDuration() * 0.25f);
    const int32_t before = index();
    nextSection();
    // The beat entered began when the one before was due (the beat timer's step), else now.
    const double entered = m_clock.stepDue().value_or(core::RunLoop::main().now());
    m_clock.endStep();
    m_cursor.setPanelsHidden(false);
    if (m_clock.isRunning() && playAlongEnteredBeat(entered))
        return showTransportState();
    if (m_clock.isRunning() || index() != before)
        soundEnteredBeat(byTimer);
    else
        silenceSound();
}

void ViewController::previous(ui::Object*)
{
    if (!canPlay())
        return;
    m_countingIn = false;
    stopPlayingAlong();
    startTimer(calculateDuration());
    previousSection();
    m_cursor.setPanelsHidden(false);
    if (m_clock.isRunning() && playAlongEnteredBeat(core::RunLoop::main().now()))
        return showTransportState();
    soundEnteredBeat(false);
}

void ViewController::showAlert(const char* message)
{
    ui::AlertView::create("Error", message, { "OK" })->show();
}

void ViewController::repeatControlChanged(ui::Object* sender)
{
    if (!canPlay())
        return;
    auto* control = dynamic_cast<ui::SegmentedControl*>(sender);
    if (!control)
        control = m_repeatControl.get();
    if (control->selectedSegmentIndex() != 1) {
        m_transport.clearRepeatRange(m_sheet, *m_scrollView);
        m_loopOn = false;
        showLoop();
        saveLoop(false);
        refreshPosition();
        return;
    }
    int32_t a = score::intValue(m_startField->text());
    int32_t b = score::intValue(m_endField->text());
    switch (m_transport.setRepeatRange(a, b, m_sheet, *m_scrollView)) {
    case Transport::Range::Set:
        m_loopOn = true;
        showLoop();
        saveLoop(true);
        refreshPosition();
        return;
    case Transport::Range::SameBars:
        showAlert("Starting bar cannot be same as ending bar");
        break;
    case Transport::Range::Invalid:
        showAlert("Invalid input value");
        break;
    }
    control->setSelectedSegmentIndex(0);
}

// Tempo edits not yet saved are not dropped without asking.
void ViewController::backtoModeSelection(ui::Object*)
{
    if (m_tempiEdited)
        return askAboutUnsavedTempi();
    leave();
}

// The slider's value is the transparency of the two dimming panels; the bands keep theirs.
void ViewController::changeOpacity(ui::Object* sender)
{
    auto* slider = dynamic_cast<ui::Slider*>(sender);
    if (!slider)
        return;
    m_cursor.setPanelsOpacity(double(slider->value()));
    PracticeSettings::setShade(m_fileName, slider->value());
}

}
