#pragma once
#include "platform/ui/View.h"

#include <cassert>
#include <functional>
#include <memory>
#include <vector>

namespace ui {

// A view that sends target-actions for its events. Targets are held weakly: an action whose
// target is gone is skipped.
class Control : public View {
public:
    using Action = std::function<void(Object* sender)>;

    // `target` may be empty for an action that needs none.
    void addTarget(std::weak_ptr<void> target, Action action, ControlEvent event);
    // The selector form: `button->addTarget(self, &Screen::play, ControlEvent::TouchUpInside)`.
    template<typename U, typename T>
    void addTarget(const std::shared_ptr<U>& target, void (T::*action)(Object*), ControlEvent event)
    {
        std::shared_ptr<T> typed = std::dynamic_pointer_cast<T>(target);
        assert(typed);
        std::weak_ptr<T> weak = typed;
        addTarget(std::weak_ptr<void>(typed), [weak, action](Object* sender) {
            if (auto strong = weak.lock())
                ((*strong).*action)(sender);
        }, event);
    }
    void removeAllTargets();
    bool hasActionsForControlEvent(ControlEvent event) const;

    // Runs every action registered for `event`, in the order added, with this control as sender.
    void sendActionsForControlEvents(ControlEvent event);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    bool isTracking() const { return m_tracking; }

    // A touch down sends TouchDown; lifting it within reach of the control sends TouchUpInside.
    void touchesBegan(const Touch& touch) override;
    void touchesMoved(const Touch& touch) override;
    void touchesEnded(const Touch& touch) override;
    void touchesCancelled(const Touch& touch) override;

    std::string className() const override { return "Control"; }
    void describe(nlohmann::json& out) const override;

protected:
    explicit Control(Rect frame);
    // How far outside its bounds a lifted touch still counts as inside.
    static constexpr double kTouchSlop = 40;
    bool isTouchInside(const Touch& touch) const;

private:
    struct Entry {
        std::weak_ptr<void> target;
        bool hasTarget;
        Action action;
        ControlEvent event;
    };
    std::vector<Entry> m_actions;
    bool m_enabled = true;
    bool m_highlighted = false;
    bool m_selected = false;
    bool m_tracking = false;
};

}
