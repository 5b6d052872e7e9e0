#pragma once
#include "platform/ui/View.h"

namespace core {
class Timer;
}

namespace ui {

enum class ActivityIndicatorStyle { WhiteLarge = 0, White = 1, Gray = 2 };

// A spinner: twelve spokes, the bright one walking round once a second with the main run
// loop's clock. Hidden while stopped (hidesWhenStopped).
class ActivityIndicator : public View {
public:
    static std::shared_ptr<ActivityIndicator> create(ActivityIndicatorStyle style = ActivityIndicatorStyle::WhiteLarge);

    ActivityIndicatorStyle style() const { return m_style; }
    Color color() const { return m_color; }
    void setColor(Color color);
    bool hidesWhenStopped() const { return m_hidesWhenStopped; }
    void setHidesWhenStopped(bool hides);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return m_animating; }
    // The lit spoke, 0 to 11.
    int phase() const { return m_phase; }

    void draw(Painter& painter, Rect dirty) override;
    bool hasCustomDrawing() const override { return true; }
    std::string className() const override { return "ActivityIndicator"; }
    void describe(nlohmann::json& out) const override;

protected:
    explicit ActivityIndicator(ActivityIndicatorStyle style);

private:
    void armTick(double interval);
    void tick();

    ActivityIndicatorStyle m_style;
    Color m_color;
    bool m_hidesWhenStopped = true;
    bool m_animating = false;
    int m_phase = 0;
    std::shared_ptr<core::Timer> m_timer;
};

}
