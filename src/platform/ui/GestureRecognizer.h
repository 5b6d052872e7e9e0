#pragma once
#include "platform/core/Object.h"
#include "platform/core/WeakReference.h"
#include "platform/ui/Event.h"
#include "platform/ui/Forward.h"

#include <cassert>
#include <functional>
#include <memory>
#include <vector>

namespace ui {

enum class GestureRecognizerState { Possible, Began, Changed, Ended, Cancelled, Failed };

// Watches the touches of the view it is attached to (and of that view's descendants) and
// reports to its targets as its state moves. Targets are held weakly.
class GestureRecognizer : public Object, public std::enable_shared_from_this<GestureRecognizer> {
public:
    using Action = std::function<void(Object* sender)>;
    using State = GestureRecognizerState;

    void addTarget(std::weak_ptr<void> target, Action action);
    template<typename U, typename T>
    void addTarget(const std::shared_ptr<U>& target, void (T::*action)(Object*))
    {
        std::shared_ptr<T> typed = std::dynamic_pointer_cast<T>(target);
        assert(typed);
        std::weak_ptr<T> weak = typed;
        addTarget(std::weak_ptr<void>(typed), [weak, action](Object* sender) {
            if (auto strong = weak.lock())
                ((*strong).*action)(sender);
        });
    }

    State state() const { return m_state; }
    // The view it is attached to.
    View* view() const { return m_view.get(); }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    // When it recognises, the touched view's touches are cancelled.
    bool cancelsTouchesInView() const { return m_cancelsTouchesInView; }
    void setCancelsTouchesInView(bool cancels) { m_cancelsTouchesInView = cancels; }
    // The current touch in `view`'s coordinates (nullptr: window).
    Point locationInView(const View* view) const;

    // From the window.
    virtual void touchesBegan(const Touch& touch) = 0;
    virtual void touchesMoved(const Touch& touch) = 0;
    virtual void touchesEnded(const Touch& touch) = 0;
    virtual void touchesCancelled(const Touch& touch) = 0;
    // Back to Possible once the touch is over.
    virtual void reset();

    ~GestureRecognizer() override = default;

protected:
    GestureRecognizer() = default;
    // Moves to `state` and, for Began, Changed, Ended and Cancelled, tells the targets.
    void setState(State state);
    Touch m_touch;

private:
    friend class View;
    struct Entry {
        std::weak_ptr<void> target;
        bool hasTarget;
        Action action;
    };
    std::vector<Entry> m_targets;
    core::WeakReference<View> m_view;
    State m_state = State::Possible;
    bool m_enabled = true;
    bool m_cancelsTouchesInView = true;
};

}
