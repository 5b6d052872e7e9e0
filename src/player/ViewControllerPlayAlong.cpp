// Playing along on a MIDI keyboard, as the screen wires it: the controls in the practice panel,
// each played note judged, wait mode on the beat clock, and the passes' accuracy kept.
#include "player/ViewController.h"

#include "player/PanelRow.h"

#include "audio/NoteRow.h"
#include "midi/Keyboard.h"
#include "midi/MidiInput.h"
#include "platform/core/Log.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Layer.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Slider.h"
#include "player/PracticeSettings.h"
#include "score/Columns.h"
#include "score/RowKind.h"

#include <algorithm>
#include <cmath>

namespace player {

namespace column = score::column;

namespace {

constexpr const char* kToleranceKey = "playAlong/toleranceMs";
// A judging timer fires just after a press's tolerance has passed, so the press is decidable.
constexpr double kJudgeSlack = 0.001;

}

void ViewController::installPlayAlong(ui::View& room)
{
    auto self = std::static_pointer_cast<ViewController>(shared_from_this());
    std::weak_ptr<void> owner = self;
    ViewController* raw = self.get();

    m_midiButton = panelRow::button(room, "midiInput", "No MIDI input", 0, 210);
    m_midiButton->addTarget(owner, [raw](ui::Object* sender) { raw->cycleMidiInput(sender); }, ui::ControlEvent::TouchUpInside);
    m_waitButton = panelRow::button(room, "waitMode", "Wait", 216, 58);
    m_waitButton->addTarget(owner, [raw](ui::Object* sender) { raw->toggleWaitMode(sender); }, ui::ControlEvent::TouchUpInside);

    panelRow::caption(room, "Tolerance", 282, 64);
    m_toleranceSlider = ui::Slider::create(ui::RectMake(346, 2, 110, 32));
    m_toleranceSlider->setMinimumValue(float(midi::Judge::kMinTolerance * 1000));
    m_toleranceSlider->setMaximumValue(float(midi::Judge::kMaxTolerance * 1000));
    m_toleranceSlider->setAccessibilityIdentifier("tolerance");
    m_toleranceSlider->addTarget(owner, [raw](ui::Object* sender) {
        if (auto* slider = dynamic_cast<ui::Slider*>(sender))
            raw->setToleranceMs(int32_t(std::lround(slider->value())));
    }, ui::ControlEvent::ValueChanged);
    room.addSubview(m_toleranceSlider);
    m_toleranceLabel = panelRow::label(room, "toleranceLabel", 460, 60, ui::Font::systemFont(15));
    m_scoreLabel = panelRow::label(room, "score", 524, 180, ui::Font::boldSystemFont(15));
    m_bestLabel = panelRow::label(room, "best", 706, 136, ui::Font::systemFont(12));
    m_bestLabel->setTextColor(ui::Color::darkGray());
    m_historyLabel = panelRow::label(room, "history", 846, room.frame().size.width - 846, ui::Font::systemFont(12));
    m_historyLabel->setTextColor(ui::Color::darkGray());

    int32_t tolerance = PlayAlong::kDefaultToleranceMs;
    if (auto stored = core::UserDefaults::standardUserDefaults()->valueForKey(kToleranceKey); stored && stored->is_number_integer())
        tolerance = stored->get<int32_t>();
    m_playAlong.judge().setTolerance(double(tolerance) / 1000);
    m_toleranceSlider->setValue(float(m_playAlong.toleranceMs()));
    m_toleranceLabel->setText(std::to_string(m_playAlong.toleranceMs()) + " ms");
    listenToKeys();
    showScore();
}

void ViewController::toggleWaitMode(ui::Object*)
{
    const bool on = !m_playAlong.waitMode();
    m_playAlong.setWaitMode(on);
    panelRow::showToggle(m_waitButton.get(), on);
    const double now = core::RunLoop::main().now();
    m_playAlong.judge().withdrawAfter(now);
    // Switched off while the cursor waits: it goes on from here.
    if (!on && m_clock.isHeld())
        releaseWait(now);
    showScore();
}

void ViewController::setToleranceMs(int32_t milliseconds)
{
    const int32_t before = m_playAlong.toleranceMs();
    m_playAlong.judge().setTolerance(double(milliseconds) / 1000);
    const int32_t now = m_playAlong.toleranceMs();
    if (m_toleranceSlider && std::lround(m_toleranceSlider->value()) != now)
        m_toleranceSlider->setValue(float(now));
    if (m_toleranceLabel)
        m_toleranceLabel->setText(std::to_string(now) + " ms");
    if (now == before)
        return;
    auto store = core::UserDefaults::standardUserDefaults();
    store->setObject(core::Json(now), kToleranceKey);
    if (!store->synchronize())
        core::log("The tolerance could not be saved");
}

midi::Judge::Tally ViewController::score() const
{
    return m_playAlong.judge().tally(core::RunLoop::main().now());
}

void ViewController::collectPlayAlongNotes()
{
    std::vector<PlayAlong::SongNote> notes;
    for (const auto& row : m_sheet.rows()) {
        auto pitch = audio::parsePitch(row.text(column::pitch));
        if (!pitch)
            continue;
        notes.push_back({ row.floatValue(column::ipadCol), *pitch });
        auto frame = score::frameOf(row);
        m_playAlong.setRow(*pitch, { double(frame.y), double(frame.height) });
    }
    m_playAlong.setNotes(std::move(notes));
}

// Where the cursor was at `time`, on the strip in points: within the beat it entered last,
// evenly with time, a little before or after it for a key played around its edges.
double ViewController::stripXAt(double time) const
{
    if (m_beatSeconds <= 0)
        return m_beatLeft;
    const double fraction = std::clamp((time - m_beatStart) / m_beatSeconds, -1.0, 2.0);
    return m_beatLeft + fraction * m_beatWidth;
}

bool ViewController::playAlongEnteredBeat(double start)
{
    auto* beat = currentBeat();
    if (!beat)
        return false;
    const double x = beat->floatValue(column::ipadCol);
    const double length = beat->floatValue(column::length);
    const double speed = soundSpeed();
    m_beatStart = start;
    m_beatLeft = x / 2;
    m_beatWidth = length / 2;
    m_beatSeconds = audio::beatDuration(beat->floatValue(column::tempo), speed);
    const double now = core::RunLoop::main().now();
    auto notes = m_playAlong.notesIn(x, length);
    if (notes.empty()) {
        judgeUntil(now);
        return false;
    }
    if (m_playAlong.waitMode()) {
        // Keys struck a moment before the cursor got here count (never a key from the beat before).
        const double grace = std::min(m_playAlong.judge().tolerance(), m_beatSeconds / 2);
        m_playAlong.startWaiting(start, notes, grace);
        if (m_playAlong.waitingFor().empty()) {
            m_playAlong.stopWaiting();
            return false;
        }
        m_clock.hold();
        m_clock.stopQuarter();
        m_sound.forget();
        m_sound.silence(now);
        core::log("Waiting at beat %d for %zu notes", index() + 1, m_playAlong.waitingFor().size());
        return true;
    }
    // A song note is due when the cursor passes its left edge, heard as late as the sound is set.
    const double offset = m_sound.settings().offsetMs / 1000;
    const auto spans = beatSpansFrom(size_t(index()));
    for (const auto& note : notes) {
        if (auto due = audio::timeForX(spans, 0, start, speed, note.left))
            m_playAlong.judge().expect(*due + offset, note.pitch);
    }
    judgeUntil(now);
    return false;
}

// The chord is complete at `time`: the beat runs its full length from then, sound and click too,
// and the beats after it follow on their deadlines.
void ViewController::releaseWait(double time)
{
    m_playAlong.stopWaiting();
    auto* beat = currentBeat();
    if (!beat)
        return;
    auto self = std::static_pointer_cast<ViewController>(shared_from_this());
    ViewController* raw = self.get();
    const float duration = calculateDuration();
    if (!m_clock.armBeatFrom(time, duration, self, [raw](core::Timer& timer) { raw->next(&timer); }))
        return;
    startCircleTimer(duration * 0.25f);
    m_beatStart = time;
    core::log("Beat %d goes on", index() + 1);
    soundEnteredBeat(false, time + audio::beatDuration(beat->floatValue(column::tempo), soundSpeed()));
}

void ViewController::stopPlayingAlong()
{
    const double now = core::RunLoop::main().now();
    m_playAlong.stopWaiting();
    m_playAlong.judge().withdrawAfter(now);
    judgeUntil(now);
}

void ViewController::notePlayed(const midi::NoteEvent& event)
{
    if (event.pitch < 0 || event.pitch > 127)
        return;
    if (!event.on) {
        if (m_playAlong.keyUp(event.pitch))
            showHeld(event.pitch, false);
        return;
    }
    m_playAlong.keyDown(event.pitch, event.time);
    showHeld(event.pitch, true);
    if (m_clock.isHeld() && m_playAlong.isWaiting()) {
        if (m_playAlong.pressWhileWaiting(event.pitch))
            releaseWait(event.time);
        return;
    }
    if (!m_clock.isRunning() || m_countingIn || m_playAlong.waitMode())
        return;
    m_playAlong.judge().press(event.time, event.pitch, stripXAt(event.time));
    judgeUntil(core::RunLoop::main().now());
}

void ViewController::judgeUntil(double now)
{
    for (const auto& press : m_playAlong.judge().settle(now))
        addMark(press);
    if (auto next = m_playAlong.judge().nextDecision(now))
        armJudgeTimer(*next + kJudgeSlack);
    showScore();
}

void ViewController::armJudgeTimer(double at)
{
    if (m_judgeTimer && m_judgeTimer->isValid() && m_judgeTimer->fireDate() <= at)
        return;
    if (m_judgeTimer)
        m_judgeTimer->invalidate();
    std::weak_ptr<ViewController> weak = std::static_pointer_cast<ViewController>(shared_from_this());
    m_judgeTimer = core::Timer::scheduledTimerWithFireDate(at, std::make_shared<int>(0), [weak](core::Timer&) {
        if (auto self = weak.lock())
            self->judgeUntil(core::RunLoop::main().now());
    });
}

void ViewController::showScore()
{
    if (!m_scoreLabel)
        return;
    std::string text = m_playAlong.waitMode() ? std::string("Wait mode") : PlayAlong::scoreText(score());
    if (m_scoreLabel->text() != text)
        m_scoreLabel->setText(std::move(text));
    std::string best;
    if (auto accuracy = PracticeSettings::best(m_fileName, speed()))
        best = "Best at " + std::to_string(speed()) + " %: " + std::to_string(PlayAlong::percent(*accuracy)) + " %";
    if (m_bestLabel->text() != best)
        m_bestLabel->setText(std::move(best));
    std::string history = PlayAlong::historyText(m_playAlong.history(), 2);
    if (m_historyLabel->text() != history)
        m_historyLabel->setText(std::move(history));
}

// The end of a loop pass or of the song: its count is kept when someone played along, the best
// at this speed saved, and the trainer told how accurate the pass was.
void ViewController::passEnded()
{
    const double now = core::RunLoop::main().now();
    judgeUntil(now);
    const auto tally = m_playAlong.judge().tally(now);
    std::optional<double> accuracy;
    if (tally.notes > 0 && !m_playAlong.waitMode()) {
        accuracy = tally.accuracy();
        if (tally.hits + tally.wrong > 0 || m_playAlong.judge().pressesInPass() > 0) {
            m_playAlong.addPass({ tally, speed() });
            PracticeSettings::offerBest(m_fileName, speed(), *accuracy);
            core::log("Pass played along at %d %%: %d of %d notes hit, %d wrong", speed(), tally.hits, tally.notes, tally.wrong);
        }
    }
    m_playAlong.judge().startPass();
    ++m_passNumber;
    // The marks of the pass before the last one go.
    std::erase_if(m_marks, [this](const Mark& mark) {
        if (mark.pass + 1 >= m_passNumber)
            return false;
        mark.view->removeFromSuperview();
        return true;
    });
    if (m_loopOn)
        m_practice.passCompleted(accuracy);
    showScore();
}

}
