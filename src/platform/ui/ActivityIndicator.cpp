#include "platform/ui/ActivityIndicator.h"
#include "platform/core/Json.h"
#include "platform/core/Timer.h"
#include "platform/ui/Painter.h"

#include <cmath>

namespace ui {

namespace {
constexpr int kSpokes = 12;
constexpr double kTurnSeconds = 1.0;
constexpr double kHiddenPollSeconds = 0.5;
}

std::shared_ptr<ActivityIndicator> ActivityIndicator::create(ActivityIndicatorStyle style)
{
    return std::shared_ptr<ActivityIndicator>(new ActivityIndicator(style));
}

ActivityIndicator::ActivityIndicator(ActivityIndicatorStyle style)
    : View(style == ActivityIndicatorStyle::WhiteLarge ? RectMake(0, 0, 37, 37) : RectMake(0, 0, 20, 20))
    , m_style(style)
    , m_color(style == ActivityIndicatorStyle::Gray ? Color::gray() : Color::white())
{
    setUserInteractionEnabled(false);
    setHidden(true);
}

void ActivityIndicator::setColor(Color color)
{
    if (m_color == color)
        return;
    m_color = color;
    invalidateDisplay();
}

void ActivityIndicator::setHidesWhenStopped(bool hides)
{
    m_hidesWhenStopped = hides;
    if (!m_animating)
        setHidden(hides);
}

void ActivityIndicator::startAnimating()
{
    if (m_animating)
        return;
    m_animating = true;
    setHidden(false);
    armTick(kTurnSeconds / kSpokes);
}

void ActivityIndicator::stopAnimating()
{
    if (!m_animating)
        return;
    m_animating = false;
    if (m_timer)
        m_timer->invalidate();
    m_timer.reset();
    if (m_hidesWhenStopped)
        setHidden(true);
}

void ActivityIndicator::armTick(double interval)
{
    // Held weakly: a spinner nobody shows any more stops ticking when it goes away.
    std::weak_ptr<View> weak = weak_from_this();
    m_timer = core::Timer::scheduledTimerWithTimeInterval(interval, nullptr, [weak](core::Timer&) {
        if (auto self = std::static_pointer_cast<ActivityIndicator>(weak.lock()))
            self->tick();
    });
    m_timer->setTolerance(interval);
}

void ActivityIndicator::tick()
{
    if (!m_animating)
        return;
    m_phase = (m_phase + 1) % kSpokes;
    // Only a spinner that can be seen asks for a new frame.
    bool visible = true;
    for (const View* v = this; v; v = v->superviewPointer()) {
        if (v->isHidden() || v->alpha() < 0.01) {
            visible = false;
            break;
        }
    }
    // One that cannot be seen (a faded-out overlay keeps its spinner) only looks in now and
    // then, so an idle screen stays idle.
    if (visible)
        invalidateDisplay();
    armTick(visible ? kTurnSeconds / kSpokes : kHiddenPollSeconds);
}

void ActivityIndicator::draw(Painter& painter, Rect)
{
    Rect b = bounds();
    double radius = std::min(b.width(), b.height()) / 2;
    bool large = m_style == ActivityIndicatorStyle::WhiteLarge;
    double inner = radius * 0.45, outer = radius * 0.92, width = large ? 4 : 2;
    for (int i = 0; i < kSpokes; i++) {
        double angle = 2 * M_PI * i / kSpokes - M_PI / 2;
        int age = (m_phase - i + kSpokes) % kSpokes;
        double alpha = std::max(0.25, 1.0 - age / double(kSpokes));
        BezierPath spoke;
        spoke.moveToPoint({ b.midX() + inner * std::cos(angle), b.midY() + inner * std::sin(angle) });
        spoke.addLineToPoint({ b.midX() + outer * std::cos(angle), b.midY() + outer * std::sin(angle) });
        painter.strokePath(spoke, { m_color.withAlpha(m_color.a * alpha), width, LineJoin::Round, LineCap::Round });
    }
}

void ActivityIndicator::describe(nlohmann::json& out) const
{
    out["animating"] = m_animating;
}

}
