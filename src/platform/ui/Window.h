#pragma once
#include "platform/ui/DamageRegion.h"
#include "platform/core/WeakReference.h"
#include "platform/ui/Event.h"
#include "platform/ui/Forward.h"
#include "platform/ui/Geometry.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace ui {

// The screen: 1024 x 768 points showing the root view controller and, above it, whatever it
// presented, then the current alert. The front ends feed it events through the entry points
// below and draw it (render::Renderer) when needsDisplay() says something changed.
//
// Touches: one at a time. A touch goes to the view hit-tested front to back under it (only the
// alert while one shows); that view keeps getting the touch's moves and its end. Gesture
// recognisers on the view and its ancestors watch the same touch. A drag of more than
// ScrollView::kDragThreshold inside a scroll view (not on a slider) turns into scrolling.
class Window {
public:
    static constexpr double kWidth = 1024;
    static constexpr double kHeight = 768;

    static std::shared_ptr<Window> create(Size size = { kWidth, kHeight });
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The window alerts show in: the last one created or made key.
    static Window* keyWindow();
    void makeKeyWindow();

    Size size() const { return m_size; }
    Rect bounds() const { return { {}, m_size }; }

    void setRootViewController(std::shared_ptr<ViewController> controller);
    std::shared_ptr<ViewController> rootViewController() const { return m_root; }
    // The top of the presentation chain: the screen that gets touches and keys.
    std::shared_ptr<ViewController> frontViewController() const;

    // Event entry points, in window points.
    void touchDown(Point point);
    void touchMoved(Point point);
    void touchUp(Point point);
    void touchCancel();
    // dx, dy: points to add to the content offset of the scroll view under `point` (positive
    // moves towards the end of the content).
    void wheel(Point point, double dx, double dy);
    void keyDown(Key key);
    void textInput(const std::string& text);
    bool isTouching() const { return m_touchView != nullptr || !m_touchRecognizers.empty(); }

    // Display: a change to a shown view damages the window areas it showed in and shows in now;
    // the front end draws the damage (or everything) and clears it. setNeedsDisplay() damages
    // the whole window.
    bool needsDisplay() const { return !m_damage.isEmpty(); }
    void setNeedsDisplay() { m_damage.add(bounds()); }
    void clearNeedsDisplay() { m_damage.clear(); }
    // `rect` in window points.
    void damage(Rect rect) { m_damage.add(rect.intersection(bounds())); }
    const DamageRegion& damage() const { return m_damage; }
    // Runs pending layoutSubviews of every shown view.
    void layoutIfNeeded();

    // Back to front: the views to draw (controller views, the alert layer). Covered screens are
    // left out once a presentation has finished.
    std::vector<View*> viewsToDraw() const;
    // The view that would get a touch at `point` (window coordinates).
    View* hitTest(Point point) const;
    // Searches the front screen's views, then the alert.
    std::shared_ptr<View> viewWithAccessibilityIdentifier(const std::string& identifier) const;

    // The alert showing now, if any; queued alerts show when it goes.
    std::shared_ptr<AlertView> currentAlert() const;

    std::shared_ptr<TextField> firstResponder() const { return m_firstResponder.lock(); }

private:
    friend class AlertView;
    friend class TextField;
    friend class View;
    friend class GestureRecognizer;
    friend class ViewController;

    explicit Window(Size size);
    void attachRoot(View* view);
    void detachRoot(View* view);
    void controllersChanged();
    bool setFirstResponder(const std::shared_ptr<TextField>& field);
    void resignFirstResponder(TextField* field);
    void showAlert(std::shared_ptr<AlertView> alert);
    void alertDismissed(AlertView* alert);
    void endTouchTracking();
    // A recogniser began: the touched view loses the touch (it gets touchesCancelled).
    void gestureDidBegin(GestureRecognizer* recognizer);

    Size m_size;
    std::shared_ptr<ViewController> m_root;
    std::shared_ptr<View> m_alertLayer;
    std::shared_ptr<AlertView> m_alert;
    std::deque<std::shared_ptr<AlertView>> m_pendingAlerts;
    std::weak_ptr<TextField> m_firstResponder;
    std::vector<core::WeakReference<View>> m_attachedRoots;
    DamageRegion m_damage;

    // The touch being tracked.
    std::shared_ptr<View> m_touchView;
    std::vector<std::shared_ptr<GestureRecognizer>> m_touchRecognizers;
    std::shared_ptr<ScrollView> m_touchScrollView;
    bool m_dragging = false;
    Touch m_touch;

    // Alerts, screens and views that name this window see it gone from its destructor on.
    core::WeakAnchor<Window> m_anchor { this };
};

}
