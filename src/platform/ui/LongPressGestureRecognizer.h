#pragma once
#include "platform/ui/GestureRecognizer.h"

namespace core {
class Timer;
}

namespace ui {

// A finger held still for minimumPressDuration (0.5 s of the main run loop's clock) begins the
// gesture; moving then reports Changed and lifting reports Ended. Moving more than
// allowableMovement before it began, or lifting early, fails it silently.
class LongPressGestureRecognizer : public GestureRecognizer {
public:
    static std::shared_ptr<LongPressGestureRecognizer> create();
    template<typename U, typename T>
    static std::shared_ptr<LongPressGestureRecognizer> create(const std::shared_ptr<U>& target, void (T::*action)(Object*))
    {
        auto recognizer = create();
        recognizer->addTarget(target, action);
        return recognizer;
    }

    double minimumPressDuration() const { return m_minimumPressDuration; }
    void setMinimumPressDuration(double seconds) { m_minimumPressDuration = seconds; }
    double allowableMovement() const { return m_allowableMovement; }
    void setAllowableMovement(double points) { m_allowableMovement = points; }

    void touchesBegan(const Touch& touch) override;
    void touchesMoved(const Touch& touch) override;
    void touchesEnded(const Touch& touch) override;
    void touchesCancelled(const Touch& touch) override;
    void reset() override;

private:
    LongPressGestureRecognizer() = default;
    void pressed();

    double m_minimumPressDuration = 0.5;
    double m_allowableMovement = 10;
    std::shared_ptr<core::Timer> m_timer;
};

}
