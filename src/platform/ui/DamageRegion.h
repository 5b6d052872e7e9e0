#pragma once
#include "platform/ui/Geometry.h"

#include <vector>

namespace ui {

// The parts of the window that must be drawn again, in window points: a few disjoint
// rectangles. Rectangles that meet are merged, and past kMaxRects the two whose merging adds the
// least area are merged, so the list stays short however many views changed.
class DamageRegion {
public:
    static constexpr size_t kMaxRects = 8;

    void add(Rect rect);
    void clear() { m_rects.clear(); }
    bool isEmpty() const { return m_rects.empty(); }
    const std::vector<Rect>& rects() const { return m_rects; }
    Rect bounds() const;
    double area() const;

    // The parts of `a` outside `b` (at most four rectangles).
    static std::vector<Rect> subtract(Rect a, Rect b);

private:
    void mergeOverlaps(size_t index);
    std::vector<Rect> m_rects;
};

}
