// The player's sound as the screen wires it: the controls in the practice panel, the count-in
// before play, and the click and notes of every beat the cursor enters, sent on its deadlines.
#include "player/ViewController.h"

#include "player/PanelRow.h"

#include "audio/AudioEngine.h"
#include "audio/NoteRow.h"
#include "platform/core/Log.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Layer.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "score/Columns.h"

#include <algorithm>
#include <cmath>

namespace player {

namespace column = score::column;

namespace {

// Enough beats to map a block that reaches over a few bars; a longer one stops at their end.
constexpr size_t kWalkedBeats = 16;

std::string offsetText(double ms)
{
    long rounded = std::lround(ms);
    return (rounded > 0 ? "+" : "") + std::to_string(rounded) + " ms";
}

}

void ViewController::installSound(ui::View& room)
{
    auto self = std::static_pointer_cast<ViewController>(shared_from_this());
    std::weak_ptr<void> owner = self;
    ViewController* raw = self.get();
    m_clickButton = panelRow::button(room, "click", "Click", 0, 64);
    m_clickButton->addTarget(owner, [raw](ui::Object* sender) { raw->toggleClick(sender); }, ui::ControlEvent::TouchUpInside);
    m_countInButton = panelRow::button(room, "countIn", "Count-in", 70, 84);
    m_countInButton->addTarget(owner, [raw](ui::Object* sender) { raw->toggleCountIn(sender); }, ui::ControlEvent::TouchUpInside);
    m_notesButton = panelRow::button(room, "notes", "Notes", 160, 64);
    m_notesButton->addTarget(owner, [raw](ui::Object* sender) { raw->toggleNotes(sender); }, ui::ControlEvent::TouchUpInside);

    panelRow::caption(room, "Volume", 238, 52);
    m_volumeSlider = ui::Slider::create(ui::RectMake(290, 2, 150, 32));
    m_volumeSlider->setMinimumValue(0);
    m_volumeSlider->setMaximumValue(1);
    m_volumeSlider->setAccessibilityIdentifier("volume");
    m_volumeSlider->addTarget(owner, [raw](ui::Object* sender) {
        auto* slider = dynamic_cast<ui::Slider*>(sender);
        if (!slider)
            return;
        auto settings = raw->m_sound.settings();
        settings.volume = std::clamp(double(slider->value()), 0.0, 1.0);
        raw->setSoundSettings(settings);
    }, ui::ControlEvent::ValueChanged);
    room.addSubview(m_volumeSlider);

    panelRow::caption(room, "Offset", 452, 46);
    m_offsetSlider = ui::Slider::create(ui::RectMake(498, 2, 160, 32));
    m_offsetSlider->setMinimumValue(float(audio::SoundSettings::kMinOffsetMs));
    m_offsetSlider->setMaximumValue(float(audio::SoundSettings::kMaxOffsetMs));
    m_offsetSlider->setAccessibilityIdentifier("audioOffset");
    m_offsetSlider->addTarget(owner, [raw](ui::Object* sender) {
        auto* slider = dynamic_cast<ui::Slider*>(sender);
        if (!slider)
            return;
        auto settings = raw->m_sound.settings();
        // Whole milliseconds: finer steps are below what anyone hears.
        settings.offsetMs = std::clamp(double(std::lround(slider->value())), audio::SoundSettings::kMinOffsetMs,
            audio::SoundSettings::kMaxOffsetMs);
        raw->setSoundSettings(settings);
    }, ui::ControlEvent::ValueChanged);
    room.addSubview(m_offsetSlider);
    m_offsetLabel = ui::Label::create(ui::RectMake(664, 1, 70, 34));
    m_offsetLabel->setFont(ui::Font::systemFont(15));
    m_offsetLabel->setAccessibilityIdentifier("audioOffsetLabel");
    room.addSubview(m_offsetLabel);

    m_soundStatus = ui::Label::create(ui::RectMake(740, 1, room.frame().size.width - 740, 34));
    m_soundStatus->setFont(ui::Font::systemFont(13));
    m_soundStatus->setTextColor(ui::Color::darkGray());
    m_soundStatus->setAccessibilityIdentifier("soundStatus");
    room.addSubview(m_soundStatus);

    m_sound.setSettings(audio::SoundSettings::load(*core::UserDefaults::standardUserDefaults()));
    showSound();
}

void ViewController::showSound()
{
    const auto& settings = m_sound.settings();
    const bool device = m_sound.deviceAvailable();
    panelRow::showToggle(m_clickButton.get(), settings.click, device);
    panelRow::showToggle(m_countInButton.get(), settings.countIn, device);
    panelRow::showToggle(m_notesButton.get(), settings.notes, device && BeatSound::engine()->notesAvailable());
    if (m_volumeSlider)
        m_volumeSlider->setValue(float(settings.volume));
    if (m_offsetSlider)
        m_offsetSlider->setValue(float(settings.offsetMs));
    if (m_offsetLabel)
        m_offsetLabel->setText(offsetText(settings.offsetMs));
    if (m_soundStatus) {
        if (!device)
            m_soundStatus->setText("No sound device");
        else if (!BeatSound::engine()->notesAvailable())
            m_soundStatus->setText("Notes unavailable: no SoundFont");
        else
            m_soundStatus->setText("");
    }
}

// A toggle takes effect at once: notes switched off stop sounding, a click switched on is heard
// on the beat already sent ahead.
void ViewController::setSoundSettings(const audio::SoundSettings& settings)
{
    const auto before = m_sound.settings();
    m_sound.setSettings(settings);
    if (!settings.save(*core::UserDefaults::standardUserDefaults()))
        core::log("The sound settings could not be saved");
    showSound();
    if (!m_clock.isRunning() || m_countingIn)
        return;
    const double speed = soundSpeed();
    const size_t next = upcomingBeat() ? upcomingBeat()->index : 0;
    auto due = m_sound.expected(next, speed);
    if (!due)
        return;
    const auto accent = upcomingBeat()->accent;
    if (before.notes && !settings.notes) {
        m_sound.silence(core::RunLoop::main().now());
        m_sound.sendBeat(*due, accent, speed, beatSpansFrom(next), BeatSound::Parts::Click);
    } else if (!before.click && settings.click) {
        m_sound.sendBeat(*due, accent, speed, beatSpansFrom(next), BeatSound::Parts::Click);
    }
}

void ViewController::toggleClick(ui::Object*)
{
    auto settings = m_sound.settings();
    settings.click = !settings.click;
    setSoundSettings(settings);
}

void ViewController::toggleCountIn(ui::Object*)
{
    auto settings = m_sound.settings();
    settings.countIn = !settings.countIn;
    setSoundSettings(settings);
}

void ViewController::toggleNotes(ui::Object*)
{
    auto settings = m_sound.settings();
    settings.notes = !settings.notes;
    setSoundSettings(settings);
}

void ViewController::collectNotes()
{
    std::vector<BeatSound::NoteBlock> notes;
    for (const auto& row : m_sheet.rows()) {
        auto note = audio::noteForRow(row.text(column::pitch), row.intValue(column::velocity), row.intValue(column::program));
        if (!note)
            continue;
        const double left = row.floatValue(column::ipadCol);
        notes.push_back({ left, left + row.floatValue(column::length), *note });
    }
    m_sound.setNotes(std::move(notes));
}

double ViewController::soundSpeed() const
{
    return double(m_practice.speed()) / 100.0;
}

std::vector<audio::BeatSpan> ViewController::beatSpansFrom(size_t index) const
{
    std::vector<audio::BeatSpan> spans;
    const auto& beats = m_sheet.shadowArray();
    for (size_t i = index; i < beats.size() && spans.size() < kWalkedBeats; ++i)
        spans.push_back({ beats[i].floatValue(column::ipadCol), beats[i].floatValue(column::length), beats[i].floatValue(column::tempo) });
    return spans;
}

// The beat the next step of the beat timer enters, as Transport::stepForward walks: the next beat
// of the bar, the first of the next bar, or back to the first bar of the range.
std::optional<ViewController::Upcoming> ViewController::upcomingBeat() const
{
    const auto& bars = m_sheet.displayArray();
    const size_t beats = m_sheet.shadowArray().size();
    const int32_t page = m_transport.page();
    if (page < 1 || size_t(page) > bars.size())
        return std::nullopt;
    const size_t index = size_t(m_transport.index());
    if (m_transport.shaderIndex() < bars[size_t(page) - 1].intValue(column::beatsPerBar)) {
        if (index + 1 >= beats)
            return std::nullopt;
        return Upcoming { index + 1, audio::Accent::No, false };
    }
    if (page >= m_transport.maxPage()) {
        int64_t beatSum = 0;
        for (const auto& bar : bars) {
            if (int64_t(bar.intValue(column::barNo)) + 1 == m_transport.startPage()) {
                if (beatSum < 0 || size_t(beatSum) >= beats)
                    return std::nullopt;
                return Upcoming { size_t(beatSum), audio::Accent::Yes, true };
            }
            beatSum += bar.intValue(column::beatsPerBar);
        }
        return std::nullopt;
    }
    if (index + 1 >= beats || size_t(page) >= bars.size())
        return std::nullopt;
    return Upcoming { index + 1, audio::Accent::Yes, false };
}

void ViewController::soundEnteredBeat(bool continued, std::optional<double> nextDue)
{
    auto* beat = currentBeat();
    if (!m_sound.active() || !beat)
        return;
    const size_t index = size_t(this->index());
    const double speed = soundSpeed();
    const double now = core::RunLoop::main().now();
    const auto accent = shaderIndex() == 1 ? audio::Accent::Yes : audio::Accent::No;
    const bool running = m_clock.isRunning();
    const auto parts = running ? BeatSound::Parts::All : BeatSound::Parts::Click;
    double start = now;
    if (auto due = continued ? m_sound.expected(index, speed) : std::nullopt) {
        start = *due;
    } else if (auto sent = continued ? m_sound.expectedAnySpeed(index) : std::nullopt) {
        // The speed changed since this beat was sent ahead (the trainer at the end of a pass):
        // sent again at the speed it plays at.
        start = *sent;
        m_sound.silence(start);
        m_sound.sendBeat(start, accent, speed, beatSpansFrom(index), parts);
    } else {
        m_sound.silence(now);
        m_sound.sendBeat(now, accent, speed, beatSpansFrom(index), parts);
    }
    m_sound.forget();
    if (!running)
        return;
    auto next = upcomingBeat();
    if (!next)
        return;
    // In wait mode a beat with notes is sent when the cursor goes on from it, not ahead.
    if (m_playAlong.waitMode() && !m_playAlong.notesIn(m_sheet.shadowArray()[next->index].floatValue(column::ipadCol),
                                      m_sheet.shadowArray()[next->index].floatValue(column::length))
                                       .empty())
        return;
    const double due = nextDue ? *nextDue : start + audio::beatDuration(beat->floatValue(column::tempo), speed);
    // The end of a repeat: what still sounds stops where the cursor jumps back.
    if (next->wraps)
        m_sound.silence(due);
    m_sound.sendBeat(due, next->accent, speed, beatSpansFrom(next->index), BeatSound::Parts::All);
    m_sound.expect(next->index, due, speed);
}

void ViewController::silenceSound()
{
    m_countingIn = false;
    m_sound.forget();
    m_sound.silence(core::RunLoop::main().now());
}

// One bar of clicks at the current beat's tempo and the speed; the cursor starts when it ends, on
// the beat timer, as if play had been pressed then.
void ViewController::countIn()
{
    auto* beat = currentBeat();
    const auto& bars = m_sheet.displayArray();
    if (!beat || page() < 1 || size_t(page()) > bars.size())
        return startPlaying(false);
    const int32_t beatsInBar = std::max(bars[size_t(page()) - 1].intValue(column::beatsPerBar), 1);
    const float barLength = float(beatsInBar) * player::BeatClock::beatLength(*beat);
    const double speed = soundSpeed();
    const double now = core::RunLoop::main().now();
    if (!player::BeatClock::isPlayable(barLength))
        return startPlaying(false);
    m_sound.forget();
    m_sound.silence(now);
    const double end = m_sound.sendCountIn(now, beatsInBar, beat->floatValue(column::tempo), speed);
    auto self = std::static_pointer_cast<ViewController>(shared_from_this());
    ViewController* raw = self.get();
    if (!m_clock.armBeat(barLength, self, [raw](core::Timer& timer) { raw->finishCountIn(&timer); }))
        return startPlaying(false);
    // The cursor's beat is sent now, for the end of the bar.
    const auto accent = shaderIndex() == 1 ? audio::Accent::Yes : audio::Accent::No;
    m_sound.sendBeat(end, accent, speed, beatSpansFrom(size_t(index())), BeatSound::Parts::All);
    m_sound.expect(size_t(index()), end, speed);
    m_countingIn = true;
    m_cursor.setPanelsHidden(false);
    m_repeatControl->setEnabled(false);
    showTransportState();
}

void ViewController::finishCountIn(ui::Object* sender)
{
    auto self = shared_from_this();
    m_countingIn = false;
    m_clock.beginStep(sender);
    startPlaying(true);
    m_clock.endStep();
}

}
