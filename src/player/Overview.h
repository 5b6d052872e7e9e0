#pragma once
#include "platform/ui/View.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace player {

// The whole song in one line: a tick per bar, the looped bars as a band and the cursor as a
// line. A tap picks the bar under it.
class Overview : public ui::View {
public:
    static std::shared_ptr<Overview> create(ui::Rect frame);

    // Bars of the song, the looped bars (none when start is 0) and the current bar (from 1).
    void setBars(int32_t bars);
    void setLoop(int32_t start, int32_t end);
    void setCursor(int32_t bar);
    int32_t bars() const { return m_bars; }
    int32_t loopStart() const { return m_loopStart; }
    int32_t loopEnd() const { return m_loopEnd; }
    int32_t cursor() const { return m_cursor; }

    // The bar (from 1) under x in the view's own coordinates; 0 when the song has no bars.
    int32_t barAt(double x) const;
    // Told the bar a lifted tap picked.
    void setOnTap(std::function<void(int32_t bar)> onTap) { m_onTap = std::move(onTap); }

    void touchesBegan(const ui::Touch& touch) override;
    void touchesEnded(const ui::Touch& touch) override;
    void draw(ui::Painter& painter, ui::Rect dirty) override;
    bool hasCustomDrawing() const override { return true; }
    std::string className() const override { return "Overview"; }
    void describe(nlohmann::json& out) const override;

    // Space left and right of the first and last bar, so the end ticks stay inside.
    static constexpr double kInset = 6;

private:
    explicit Overview(ui::Rect frame);
    double xOfBar(double bar) const;

    int32_t m_bars = 0;
    int32_t m_loopStart = 0;
    int32_t m_loopEnd = 0;
    int32_t m_cursor = 0;
    std::function<void(int32_t)> m_onTap;
};

}
