#include "platform/ui/DamageRegion.h"

#include <limits>

namespace ui {

namespace {

double areaOf(const Rect& r)
{
    return r.width() * r.height();
}

bool covers(const Rect& outer, const Rect& inner)
{
    return outer.minX() <= inner.minX() && outer.minY() <= inner.minY() && outer.maxX() >= inner.maxX() && outer.maxY() >= inner.maxY();
}

}

void DamageRegion::add(Rect rect)
{
    if (rect.isEmpty())
        return;
    for (const Rect& r : m_rects) {
        if (covers(r, rect))
            return;
    }
    m_rects.push_back(rect);
    mergeOverlaps(m_rects.size() - 1);
    while (m_rects.size() > kMaxRects) {
        size_t best = 0, other = 1;
        double cost = std::numeric_limits<double>::infinity();
        for (size_t i = 0; i < m_rects.size(); i++) {
            for (size_t j = i + 1; j < m_rects.size(); j++) {
                double added = areaOf(m_rects[i].unionWith(m_rects[j])) - areaOf(m_rects[i]) - areaOf(m_rects[j]);
                if (added < cost) {
                    cost = added;
                    best = i;
                    other = j;
                }
            }
        }
        m_rects[best] = m_rects[best].unionWith(m_rects[other]);
        m_rects.erase(m_rects.begin() + std::ptrdiff_t(other));
        mergeOverlaps(best);
    }
}

// Rectangles that meet (edges included) become their union, until none meets another.
void DamageRegion::mergeOverlaps(size_t index)
{
    for (;;) {
        bool merged = false;
        for (size_t i = 0; i < m_rects.size(); i++) {
            if (i == index || !m_rects[i].intersects(m_rects[index]))
                continue;
            m_rects[index] = m_rects[index].unionWith(m_rects[i]);
            m_rects.erase(m_rects.begin() + std::ptrdiff_t(i));
            if (i < index)
                index--;
            merged = true;
            break;
        }
        if (!merged)
            return;
    }
}

Rect DamageRegion::bounds() const
{
    if (m_rects.empty())
        return {};
    Rect out = m_rects.front();
    for (const Rect& r : m_rects)
        out = out.unionWith(r);
    return out;
}

double DamageRegion::area() const
{
    double sum = 0;
    for (const Rect& r : m_rects)
        sum += areaOf(r);
    return sum;
}

std::vector<Rect> DamageRegion::subtract(Rect a, Rect b)
{
    Rect overlap = a.intersection(b);
    if (overlap.isEmpty())
        return a.isEmpty() ? std::vector<Rect> {} : std::vector<Rect> { a };
    std::vector<Rect> out;
    auto keep = [&out](double x0, double y0, double x1, double y1) {
        if (x1 > x0 && y1 > y0)
            out.push_back(RectMake(x0, y0, x1 - x0, y1 - y0));
    };
    keep(a.minX(), a.minY(), a.maxX(), overlap.minY());
    keep(a.minX(), overlap.maxY(), a.maxX(), a.maxY());
    keep(a.minX(), overlap.minY(), overlap.minX(), overlap.maxY());
    keep(overlap.maxX(), overlap.minY(), a.maxX(), overlap.maxY());
    return out;
}

}
