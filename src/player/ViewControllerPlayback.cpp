// The player's clock and position: the beat timer and the cursor, stepping and bar jumps, the
// quarter-beat circles, and the transport and repeat controls that drive them.
#include "player/ViewController.h"

#include "platform/core/Log.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/TextField.h"
#include "score/Columns.h"
#include "score/Readings.h"

#include <cmath>

namespace player {

namespace column = score::column;

namespace {

// Beat lengths that no timer can be armed for: a tempo of 0 gives infinity, a negative one a
// negative length.
bool isPlayableDuration(float seconds)
{
    return std::isfinite(seconds) && seconds > 0.0f;
}

}

float ViewController::calculateDuration()
{
    if (index < 0 || size_t(index) >= shadowArray.size())
        return 0.0f;
    float tempo = shadowArray[size_t(index)].floatValue(column::tempo);
    return 60.0f / tempo;
}

void ViewController::startTimer(float duration)
{
    if (timer && timer->isValid())
        timer->invalidate();
    float interval = duration / timerFactor;
    if (!isPlayableDuration(duration) || !isPlayableDuration(interval)) {
        core::log("Beat %d has no playable tempo (\"%s\"): the beat timer stays stopped", index + 1,
            index >= 0 && size_t(index) < shadowArray.size() ? std::string(shadowArray[size_t(index)].text(column::tempo)).c_str() : "");
        return;
    }
    core::log("Shader Timer started , Next: %f", double(duration));
    auto self = std::static_pointer_cast<ViewController>(shared_from_this());
    // A step the beat timer drove counts the new beat from the ended beat's due time, so the
    // lateness of one timer is taken out of the next beat instead of adding up.
    // After a stall longer than a whole beat (a suspended machine, a debugger) the schedule starts
    // afresh at now rather than firing a burst of beats to catch up.
    if (m_beatDue && *m_beatDue + double(interval) >= core::RunLoop::main().now())
        timer = core::Timer::scheduledTimerWithFireDate(*m_beatDue + double(interval), self, &ViewController::next);
    else
        timer = core::Timer::scheduledTimerWithTimeInterval(double(interval), self, &ViewController::next);
}

void ViewController::moveShader()
{
    placeCursor();
    showCircularView();
    startTimer(calculateDuration());
}

void ViewController::changePage()
{
    double e = leftShader->frame().x() + leftShader->frame().width();
    if (e >= 940.0)
        return;
    if (page < 1 || size_t(page) > displayArray.size())
        return;
    double n = double(displayArray[size_t(page) - 1].floatValue(column::length) * 0.5f);
    if (e + n <= 940.0)
        return;

    int32_t bw = size_t(index) < shadowArray.size() ? shadowArray[size_t(index)].intValue(column::length) / 2 : 0;
    leftShader->setFrame(ui::RectMake(-1024, 0, 1024, 784));
    rightShader->setFrame(ui::RectMake(0, 0, 1024, 784));
    upShader->setFrame(ui::RectMake(rightShader->frame().x() - bw, 125, bw, 40));
    downShader->setFrame(ui::RectMake(rightShader->frame().x() - bw, 200, bw, 40));
    finalshader->setFrame(ui::RectMake(rightShader->frame().x() - bw, 165, bw, 40));
    if (page > startPage)
        scrollView->setContentOffset({ scrollView->contentOffset().x + double(movedLength), 0 }, ui::Animated::No);
    else
        scrollView->setContentOffset({ 0, 0 }, ui::Animated::No);
    movedLength = 0.0f;
}

void ViewController::nextSection()
{
    if (page < 1 || size_t(page) > displayArray.size())
        return;
    const auto& bar = displayArray[size_t(page) - 1];
    int32_t s = shaderIndex;
    int32_t n = bar.intValue(column::beatsPerBar);
    if (s < n) {
        if (size_t(index) + 1 >= shadowArray.size())
            return stopAtLastBeat();
        shaderIndex += 1;
        index += 1;
    } else if (page >= maxPage) {
        shaderIndex = 1;
        skipToPage(startPage);
    } else {
        if (size_t(index) + 1 >= shadowArray.size() || size_t(page) >= displayArray.size())
            return stopAtLastBeat();
        shaderIndex = 1;
        movedLength += bar.floatValue(column::length) * 0.5f;
        index += 1;
        page += 1;
        changePage();
    }
    moveShader();
}

// A song whose bars promise more beats than it has: the position stays on its last beat and the
// clock stops there rather than read past the beat list.
void ViewController::stopAtLastBeat()
{
    core::log("Bar %d expects more beats than the song has: playback stops at beat %d", page, index + 1);
    if (timer)
        timer->invalidate();
    if (circletimer)
        circletimer->invalidate();
    repeat_SC->setEnabled(true);
}

// One bar back lands on beat 1 of the bar before, exactly where a jump there would put it. The
// jump has scrolled already, so no page turn follows: it would scroll to 0 when that bar starts
// the play range and lose the cursor.
void ViewController::previousSection()
{
    if (page < 2)
        return;
    skipToPage(page - 1);
    moveShader();
}

void ViewController::skipToPage(int32_t p)
{
    jumpToBar(p);
}

bool ViewController::jumpToBar(int32_t p)
{
    int64_t lengthSum = 0;
    int64_t beatSum = 0;
    bool found = false;
    for (const auto& bar : displayArray) {
        if (int64_t(bar.intValue(column::barNo)) + 1 == p) {
            found = true;
            break;
        }
        lengthSum += bar.intValue(column::length);
        beatSum += bar.intValue(column::beatsPerBar);
    }
    if (!found) {
        core::log("No bar %d to jump to: the position stays at bar %d", p, page);
        return false;
    }
    if (beatSum < 0 || size_t(beatSum) >= shadowArray.size()) {
        core::log("Bar %d would start at beat %lld of a song of %zu beats: the position stays at bar %d", p, static_cast<long long>(beatSum + 1),
            shadowArray.size(), page);
        return false;
    }
    core::log("SKIPED : %d", int32_t(lengthSum));
    scrollView->setContentOffset({ double(lengthSum / 2), 0 }, ui::Animated::No);
    page = p;
    index = int32_t(beatSum);
    shaderIndex = 1;
    movedLength = 0.0f;
    return true;
}

void ViewController::circleLife()
{
    for (auto& circle : circlesArray)
        circle->setHidden(true);
    if (index < 0 || size_t(index) >= shadowArray.size())
        return;
    if (shadowArray[size_t(index)].intValue(column::tempo) > 59)
        return;
    circleIndex = circleIndex < 3 ? circleIndex + 1 : 0;
    core::log("%s  :  %d", "circleLife", circleIndex);
    circlesArray[size_t(circleIndex)]->setHidden(false);
    startCircleTimer(calculateDuration() * 0.25f);
}

void ViewController::resetCircle()
{
    for (auto& circle : circlesArray)
        circle->setHidden(true);
    circleIndex = 0;
    circlesArray[size_t(circleIndex)]->setHidden(false);
    if (circletimer)
        circletimer->invalidate();
}

void ViewController::startCircleTimer(float duration)
{
    if (circletimer && circletimer->isValid())
        circletimer->invalidate();
    float interval = duration / timerFactor;
    // The beat timer has said why already; a quarter of an unplayable beat is not armed either.
    if (!isPlayableDuration(duration) || !isPlayableDuration(interval))
        return;
    core::log("Circle Timer started , Next: %f", double(duration));
    auto self = std::static_pointer_cast<ViewController>(shared_from_this());
    ViewController* raw = self.get();
    circletimer = core::Timer::scheduledTimerWithTimeInterval(double(interval), std::static_pointer_cast<void>(self),
        [raw](core::Timer&) { raw->circleLife(); });
}

void ViewController::play(ui::Object*)
{
    if (!canPlay())
        return;
    startTimer(calculateDuration());
    startCircleTimer(calculateDuration() * 0.25f);
    leftShader->setHidden(false);
    rightShader->setHidden(false);
    repeat_SC->setEnabled(false);
}

void ViewController::pause(ui::Object*)
{
    if (!canPlay())
        return;
    if (timer)
        timer->invalidate();
    if (circletimer)
        circletimer->invalidate();
    leftShader->setHidden(true);
    rightShader->setHidden(true);
    repeat_SC->setEnabled(true);
}

void ViewController::next(ui::Object* sender)
{
    if (!canPlay())
        return;
    // Leaving the screen from inside this step must not destroy it under our feet.
    auto self = shared_from_this();
    bool drivenByClock = m_beatClock == BeatClock::Deadline && timer && sender == static_cast<core::Object*>(timer.get());
    if (drivenByClock)
        m_beatDue = timer->fireDate();
    startTimer(calculateDuration());
    resetCircle();
    startCircleTimer(calculateDuration() * 0.25f);
    nextSection();
    m_beatDue.reset();
    leftShader->setHidden(false);
    rightShader->setHidden(false);
}

void ViewController::previous(ui::Object*)
{
    if (!canPlay())
        return;
    startTimer(calculateDuration());
    previousSection();
    leftShader->setHidden(false);
    rightShader->setHidden(false);
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
        control = repeat_SC.get();
    if (control->selectedSegmentIndex() != 1) {
        skipToPage(1);
        startPage = 1;
        maxPage = int32_t(displayArray.size());
        return;
    }
    int32_t a = score::intValue(start_TF->text());
    int32_t b = score::intValue(end_TF->text());
    if (a >= 1 && b <= maxPage) {
        if (a == b) {
            showAlert("Starting bar cannot be same as ending bar");
            control->setSelectedSegmentIndex(0);
            return;
        }
        // A first bar the song cannot jump to is no range either.
        if (a < b && jumpToBar(a)) {
            startPage = a;
            maxPage = b;
            return;
        }
    }
    showAlert("Invalid input value");
    control->setSelectedSegmentIndex(0);
}

}
