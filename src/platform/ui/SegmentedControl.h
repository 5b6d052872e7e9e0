#pragma once
#include "platform/ui/Control.h"
#include "platform/ui/Font.h"

#include <string>
#include <vector>

namespace ui {

// A row of segments, one selected. A tap on another segment selects it and sends ValueChanged;
// setting the selection from code sends nothing.
class SegmentedControl : public Control {
public:
    static constexpr int kNoSegment = -1;
    static std::shared_ptr<SegmentedControl> create(std::vector<std::string> items, Rect frame = {});

    int numberOfSegments() const { return static_cast<int>(m_items.size()); }
    int selectedSegmentIndex() const { return m_selected; }
    void setSelectedSegmentIndex(int index);
    std::string titleForSegmentAtIndex(int index) const;
    void setTitle(std::string title, int segment);
    void insertSegmentWithTitle(std::string title, int segment);
    void removeAllSegments();
    Color tintColor() const { return m_tintColor; }
    void setTintColor(Color color);
    // Where segment `index` lies, in bounds coordinates (script drivers tap its centre).
    Rect rectForSegment(int index) const;
    int segmentAtPoint(Point point) const;

    void touchesEnded(const Touch& touch) override;
    void draw(Painter& painter, Rect dirty) override;
    bool hasCustomDrawing() const override { return true; }
    std::string className() const override { return "SegmentedControl"; }
    void describe(nlohmann::json& out) const override;

protected:
    SegmentedControl(std::vector<std::string> items, Rect frame);

private:
    std::vector<std::string> m_items;
    int m_selected = kNoSegment;
    Color m_tintColor = Color::systemBlue();
    Font m_font = Font::systemFont(13);
};

}
