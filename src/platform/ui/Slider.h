#pragma once
#include "platform/ui/Control.h"

namespace ui {

// A horizontal track with a thumb. Dragging moves the value and sends ValueChanged on every
// change; a touch on the track jumps the thumb there.
class Slider : public Control {
public:
    static std::shared_ptr<Slider> create(Rect frame = {});

    float value() const { return m_value; }
    // Clamped to the range; sends nothing.
    void setValue(float value);
    void setValue(float value, Animated animated) { (void)animated; setValue(value); }
    float minimumValue() const { return m_minimumValue; }
    void setMinimumValue(float value);
    float maximumValue() const { return m_maximumValue; }
    void setMaximumValue(float value);
    bool isContinuous() const { return m_continuous; }
    void setContinuous(bool continuous) { m_continuous = continuous; }
    Color tintColor() const { return m_tintColor; }
    void setTintColor(Color color);

    // The thumb centre for `value`, in bounds coordinates (script drivers drag to it).
    Point pointForValue(float value) const;
    float valueForPoint(Point point) const;

    void touchesBegan(const Touch& touch) override;
    void touchesMoved(const Touch& touch) override;
    void touchesEnded(const Touch& touch) override;
    void draw(Painter& painter, Rect dirty) override;
    bool hasCustomDrawing() const override { return true; }
    std::string className() const override { return "Slider"; }
    void describe(nlohmann::json& out) const override;

    static constexpr double kThumbRadius = 14;

protected:
    explicit Slider(Rect frame);

private:
    void trackTo(const Touch& touch);

    float m_value = 0;
    float m_minimumValue = 0;
    float m_maximumValue = 1;
    bool m_continuous = true;
    float m_valueAtTouchDown = 0;
    Color m_tintColor = Color::systemBlue();
};

}
