#include "player/Overview.h"

#include "platform/core/Json.h"
#include "platform/ui/BezierPath.h"
#include "platform/ui/Event.h"
#include "platform/ui/Painter.h"

#include <algorithm>
#include <cmath>

namespace player {

std::shared_ptr<Overview> Overview::create(ui::Rect frame)
{
    return std::shared_ptr<Overview>(new Overview(frame));
}

Overview::Overview(ui::Rect frame)
    : ui::View(frame)
{
}

void Overview::setBars(int32_t bars)
{
    if (bars == m_bars)
        return;
    m_bars = std::max(bars, 0);
    setNeedsDisplay();
}

void Overview::setLoop(int32_t start, int32_t end)
{
    if (start == m_loopStart && end == m_loopEnd)
        return;
    m_loopStart = start;
    m_loopEnd = end;
    setNeedsDisplay();
}

void Overview::setCursor(int32_t bar)
{
    if (bar == m_cursor)
        return;
    m_cursor = bar;
    setNeedsDisplay();
}

// Bar b (from 1) spans xOfBar(b - 1) to xOfBar(b).
double Overview::xOfBar(double bar) const
{
    double width = bounds().width() - 2 * kInset;
    return kInset + (m_bars > 0 ? width * bar / double(m_bars) : 0);
}

int32_t Overview::barAt(double x) const
{
    if (m_bars < 1)
        return 0;
    double width = bounds().width() - 2 * kInset;
    if (width <= 0)
        return 1;
    auto bar = int32_t(std::floor((x - kInset) / width * double(m_bars))) + 1;
    return std::clamp(bar, 1, m_bars);
}

void Overview::touchesBegan(const ui::Touch&)
{
}

void Overview::touchesEnded(const ui::Touch& touch)
{
    ui::Point point = touch.locationInView(this);
    if (!pointInside(point) || !m_onTap)
        return;
    if (int32_t bar = barAt(point.x))
        m_onTap(bar);
}

void Overview::draw(ui::Painter& painter, ui::Rect)
{
    ui::Rect b = bounds();
    painter.fillPath(*ui::BezierPath::bezierPathWithRoundedRect(b, 6), ui::Color::white(0.93, 1));
    if (m_bars < 1)
        return;
    if (m_loopStart >= 1 && m_loopEnd >= m_loopStart) {
        double left = xOfBar(m_loopStart - 1), right = xOfBar(std::min(m_loopEnd, m_bars));
        painter.fillRect(ui::RectMake(left, b.y() + 3, right - left, b.height() - 6), ui::Color::rgba(0.98, 0.70, 0.18, 0.45));
    }
    // Every bar's tick on a long song would merge into grey: every fourth one then, and a taller
    // tick every tenth bar either way.
    double spacing = (b.width() - 2 * kInset) / double(m_bars);
    int32_t every = spacing >= 4 ? 1 : spacing >= 1 ? 4 : 16;
    for (int32_t bar = 0; bar <= m_bars; bar += every) {
        double x = std::round(xOfBar(bar)) + 0.5;
        bool major = bar % 10 == 0 || bar == m_bars;
        double inset = major ? 6 : b.height() * 0.32;
        painter.fillRect(ui::RectMake(x - 0.5, b.y() + inset, 1, b.height() - 2 * inset), ui::Color::white(major ? 0.45 : 0.62, 1));
    }
    if (m_cursor >= 1 && m_cursor <= m_bars) {
        double x = (xOfBar(m_cursor - 1) + xOfBar(m_cursor)) / 2;
        painter.fillRect(ui::RectMake(x - 1.5, b.y() + 1, 3, b.height() - 2), ui::Color::rgba(0.85, 0.12, 0.12, 1));
    }
}

void Overview::describe(nlohmann::json& out) const
{
    ui::View::describe(out);
    out["bars"] = m_bars;
    out["loopStart"] = m_loopStart;
    out["loopEnd"] = m_loopEnd;
    out["cursor"] = m_cursor;
}

}
