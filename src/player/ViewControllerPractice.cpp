// The practice tools on the player screen: the panel (position, overview, speed, trainer), the
// loop band on the strip, the practice state saved per song, the help and leaving with unsaved
// tempi.
#include "player/ViewController.h"

#include "platform/core/Log.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Layer.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TextField.h"
#include "player/HelpOverlay.h"
#include "player/PracticeSettings.h"
#include "player/Toast.h"
#include "score/Columns.h"
#include "score/Readings.h"

#include <string>

namespace player {

namespace column = score::column;

namespace {

const ui::Color kLoopBandColour = ui::Color::rgba(0.98, 0.70, 0.18, 0.22);

ui::Color activeTint(bool active)
{
    return active ? ui::Color::rgba(0.20, 0.55, 0.90, 0.16) : ui::Color::clear();
}

}

void ViewController::installPractice(ui::View& root)
{
    std::weak_ptr<ViewController> weak = std::static_pointer_cast<ViewController>(shared_from_this());
    PracticePanel::Actions actions;
    actions.jump = [weak](int32_t bar) {
        if (auto self = weak.lock())
            self->goToBar(bar);
    };
    actions.speedChanged = [weak](int32_t percent) {
        if (auto self = weak.lock())
            self->setSpeed(percent);
    };
    m_practice.install(root, weak, std::move(actions));
    installSound(*m_practice.soundRoom());
    installPlayAlong(*m_practice.playRoom());
}

void ViewController::togglePractice(ui::Object*)
{
    m_practice.setOpen(!m_practice.isOpen());
}

void ViewController::showHelp(ui::Object*)
{
    if (m_help || !isViewLoaded())
        return;
    std::weak_ptr<ViewController> weak = std::static_pointer_cast<ViewController>(shared_from_this());
    m_help = HelpOverlay::create([weak] {
        if (auto self = weak.lock())
            self->hideHelp();
    });
    view()->addSubview(m_help);
}

void ViewController::hideHelp()
{
    if (!m_help)
        return;
    m_help->removeFromSuperview();
    m_help.reset();
}

// The pending beat timer is left alone: the next beat comes at the deadline already set and
// steps on from the bar jumped to.
void ViewController::goToBar(int32_t p)
{
    if (!canPlay() || !m_scrollView)
        return;
    if (!m_transport.jumpToBar(p, m_sheet, *m_scrollView))
        return;
    stopPlayingAlong();
    placeCursor();
    showCircularView();
    m_cursor.setPanelsHidden(false);
    // A cursor waiting in wait mode starts afresh on the beat jumped to (and may wait there).
    if (m_clock.isHeld())
        return startPlaying(false);
    if (m_clock.isRunning() && !m_countingIn && playAlongEnteredBeat(core::RunLoop::main().now()))
        return showTransportState();
    // The jump is heard on the beat it lands on; a playing clock's next beat keeps its deadline.
    if (m_clock.isRunning() && !m_countingIn)
        soundEnteredBeat(false, m_clock.timer()->fireDate());
    else if (!m_countingIn)
        soundEnteredBeat(false);
}

void ViewController::setSpeed(int32_t percent)
{
    if (m_practice.speed() != percent)
        return m_practice.setSpeed(percent);
    m_clock.setSpeed(percent);
    PracticeSettings::setSpeed(m_fileName, percent);
}

void ViewController::refreshPosition()
{
    m_practice.showPosition(page(), int32_t(m_sheet.displayArray().size()), m_transport.shaderIndex());
}

// The band behind the notes spans the repeated bars, from the left edge of the first to the right
// edge of the last, over the whole height of the strip.
void ViewController::showLoop()
{
    if (!m_scrollView)
        return;
    if (!m_loopOn) {
        if (m_loopBand)
            m_loopBand->setHidden(true);
        m_practice.showLoop(0, 0);
        return;
    }
    double left = 0, right = 0;
    double x = 0;
    for (const auto& bar : m_sheet.displayArray()) {
        int32_t number = bar.intValue(column::barNo) + 1;
        double width = double(bar.intValue(column::length)) / 2;
        if (number == startPage())
            left = x;
        if (number == maxPage())
            right = x + width;
        x += width;
    }
    if (!m_loopBand) {
        m_loopBand = ui::View::create();
        m_loopBand->setBackgroundColor(kLoopBandColour);
        m_loopBand->setAccessibilityIdentifier("loopBand");
        m_loopBand->setUserInteractionEnabled(false);
        m_scrollView->insertSubview(m_loopBand, 0);
    }
    m_loopBand->setFrame(ui::RectMake(left, 0, right > left ? right - left : 0, kContentHeight));
    m_loopBand->setHidden(false);
    m_practice.showLoop(startPage(), maxPage());
}

void ViewController::saveLoop(bool on)
{
    PracticeSettings::Loop loop;
    loop.start = on ? startPage() : score::intValue(m_startField->text());
    loop.end = on ? maxPage() : score::intValue(m_endField->text());
    loop.on = on;
    PracticeSettings::setLoop(m_fileName, loop);
}

// What the last visit left: the fields filled and, when it was on, the range repeating with its
// band; the shade; the speed.
void ViewController::restorePractice()
{
    if (auto shade = PracticeSettings::shade(m_fileName)) {
        m_opacitySlider->setValue(*shade);
        m_cursor.setPanelsOpacity(double(*shade));
    }
    if (auto speed = PracticeSettings::speed(m_fileName))
        m_practice.setSpeed(*speed);
    auto loop = PracticeSettings::loop(m_fileName);
    if (!loop || !canPlay())
        return;
    if (loop->start > 0)
        m_startField->setText(std::to_string(loop->start));
    if (loop->end > 0)
        m_endField->setText(std::to_string(loop->end));
    if (!loop->on)
        return;
    if (m_transport.setRepeatRange(loop->start, loop->end, m_sheet, *m_scrollView) != Transport::Range::Set) {
        core::log("The saved bars %d to %d no longer fit song %s: the whole song plays", loop->start, loop->end, m_fileName.c_str());
        return;
    }
    m_repeatControl->setSelectedSegmentIndex(1);
    m_loopOn = true;
    placeCursor();
    showCircularView();
    showLoop();
}

void ViewController::showTransportState()
{
    bool playing = m_clock.isRunning();
    if (m_playButton) {
        m_playButton->setSelected(playing);
        m_playButton->setBackgroundColor(activeTint(playing));
    }
    if (m_pauseButton) {
        m_pauseButton->setSelected(!playing);
        m_pauseButton->setBackgroundColor(activeTint(!playing));
    }
}

void ViewController::leave()
{
    m_clock.stopBeat();
    m_clock.stopQuarter();
    silenceSound();
    stopPlayingAlong();
    if (m_rescanTimer)
        m_rescanTimer->invalidate();
    PracticeSettings::commit();
    dismissViewControllerAnimated(ui::Animated::Yes);
}

// Save writes the tempi and leaves, confirming over the screen left for; Discard leaves without
// them; Cancel stays.
void ViewController::askAboutUnsavedTempi()
{
    std::weak_ptr<ViewController> weak = std::static_pointer_cast<ViewController>(shared_from_this());
    auto alert = ui::AlertView::create("Unsaved tempi", "The tempo changes to this song are not saved yet.", { "Save", "Discard", "Cancel" },
        [weak](int button) {
            auto self = weak.lock();
            if (!self)
                return;
            switch (button) {
            case 0: {
                std::weak_ptr<ui::View> host;
                if (auto presenting = self->presentingViewController(); presenting && presenting->isViewLoaded())
                    host = presenting->view();
                self->saveTempi([host](bool saved) {
                    if (auto view = host.lock(); view && saved)
                        Toast::show(*view, "Tempi saved");
                });
                self->leave();
                break;
            }
            case 1:
                self->m_tempiEdited = false;
                self->leave();
                break;
            default:
                break;
            }
        });
    alert->show();
}

}
