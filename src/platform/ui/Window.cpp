#include "platform/ui/Window.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {
// The window alerts go to (the platform's key window). Main thread only.
core::WeakReference<Window> g_keyWindow;
}

std::shared_ptr<Window> Window::create(Size size)
{
    auto window = std::shared_ptr<Window>(new Window(size));
    window->makeKeyWindow();
    return window;
}

Window::Window(Size size)
    : m_size(size)
    , m_alertLayer(View::create({ {}, size }))
{
    attachRoot(m_alertLayer.get());
    setNeedsDisplay();
}

Window::~Window()
{
    m_anchor.clear();
}

Window* Window::keyWindow()
{
    return g_keyWindow.get();
}

void Window::makeKeyWindow()
{
    g_keyWindow = m_anchor.reference();
}

void Window::attachRoot(View* view)
{
    // Views that went are let go here too.
    std::erase_if(m_attachedRoots, [](auto& root) { return !root; });
    view->rare().hostWindow = m_anchor.reference();
    if (std::find(m_attachedRoots.begin(), m_attachedRoots.end(), view) != m_attachedRoots.end())
        return;
    m_attachedRoots.push_back(view->m_anchor.reference());
}

void Window::detachRoot(View* view)
{
    if (view->hostWindow() == this)
        view->m_rare->hostWindow = nullptr;
    std::erase_if(m_attachedRoots, [view](auto& root) { return !root || root == view; });
}

void Window::setRootViewController(std::shared_ptr<ViewController> controller)
{
    if (m_root == controller)
        return;
    if (m_root && m_root->m_window == this)
        m_root->m_window = nullptr;
    m_root = std::move(controller);
    if (m_root) {
        m_root->m_window = m_anchor.reference();
        auto view = m_root->view();
        view->setFrame(bounds());
        controllersChanged();
        m_root->viewWillAppear(false);
        m_root->viewDidAppear(false);
    } else {
        controllersChanged();
    }
}

std::shared_ptr<ViewController> Window::frontViewController() const
{
    auto vc = m_root;
    while (vc && vc->presentedViewController())
        vc = vc->presentedViewController();
    return vc;
}

// Every controller view in the presentation chain is attached (so its changes reach this
// window); the ones no longer in it are let go.
void Window::controllersChanged()
{
    std::vector<View*> chain;
    for (auto vc = m_root; vc; vc = vc->presentedViewController())
        chain.push_back(vc->view().get());
    std::vector<View*> attached;
    for (auto& root : m_attachedRoots) {
        if (root)
            attached.push_back(root.get());
    }
    for (View* view : attached) {
        if (view != m_alertLayer.get() && std::find(chain.begin(), chain.end(), view) == chain.end())
            detachRoot(view);
    }
    for (View* view : chain)
        attachRoot(view);
    // A text field that left the front screen loses the keyboard.
    if (auto field = m_firstResponder.lock()) {
        auto front = frontViewController();
        if (!front || !field->isDescendantOfView(front->view().get()))
            resignFirstResponder(field.get());
    }
    setNeedsDisplay();
}

std::vector<View*> Window::viewsToDraw() const
{
    std::vector<std::shared_ptr<ViewController>> chain;
    for (auto vc = m_root; vc; vc = vc->presentedViewController())
        chain.push_back(vc);
    // From the front-most screen that is in place: screens sliding in or out are drawn over it.
    size_t start = chain.empty() ? 0 : chain.size() - 1;
    while (start > 0 && chain[start]->m_transition != ViewController::Transition::None)
        start--;
    std::vector<View*> views;
    for (size_t i = start; i < chain.size(); i++)
        views.push_back(chain[i]->view().get());
    if (m_alert)
        views.push_back(m_alertLayer.get());
    return views;
}

void Window::layoutIfNeeded()
{
    for (View* view : viewsToDraw())
        view->layoutIfNeeded();
}

View* Window::hitTest(Point point) const
{
    View* container = nullptr;
    if (m_alert) {
        container = m_alertLayer.get();
    } else if (auto front = frontViewController()) {
        container = front->view().get();
    }
    if (!container)
        return nullptr;
    View* hit = container->hitTest(container->convertPointFromView(point, nullptr));
    // While an alert shows, a touch anywhere belongs to it.
    if (m_alert && !hit)
        return m_alert.get();
    return hit;
}

std::shared_ptr<View> Window::viewWithAccessibilityIdentifier(const std::string& identifier) const
{
    if (auto front = frontViewController()) {
        if (auto found = front->view()->viewWithAccessibilityIdentifier(identifier))
            return found;
    }
    if (m_alert)
        return m_alertLayer->viewWithAccessibilityIdentifier(identifier);
    return nullptr;
}

std::shared_ptr<AlertView> Window::currentAlert() const
{
    return m_alert;
}

// --- Touches ---

void Window::touchDown(Point point)
{
    if (isTouching())
        touchCancel();
    m_touch = Touch { point, point, core::RunLoop::main().now(), TouchPhase::Began };
    View* hit = hitTest(point);
    if (!hit)
        return;
    m_touchView = hit->shared_from_this();
    for (View* v = hit; v; v = v->superviewPointer()) {
        for (auto& recognizer : v->gestureRecognizers()) {
            if (recognizer->isEnabled())
                m_touchRecognizers.push_back(recognizer);
        }
        if (!m_touchScrollView && !dynamic_cast<Slider*>(hit)) {
            if (auto* scroll = dynamic_cast<ScrollView*>(v); scroll && scroll->isScrollEnabled())
                m_touchScrollView = std::static_pointer_cast<ScrollView>(scroll->shared_from_this());
        }
    }
    auto recognizers = m_touchRecognizers;
    for (auto& recognizer : recognizers)
        recognizer->touchesBegan(m_touch);
    if (auto view = m_touchView)
        view->touchesBegan(m_touch);
}

void Window::touchMoved(Point point)
{
    if (!isTouching() && !m_dragging)
        return;
    m_touch.windowPoint = point;
    m_touch.timestamp = core::RunLoop::main().now();
    m_touch.phase = TouchPhase::Moved;
    auto recognizers = m_touchRecognizers;
    for (auto& recognizer : recognizers)
        recognizer->touchesMoved(m_touch);
    if (m_dragging) {
        if (m_touchScrollView)
            m_touchScrollView->dragTo(point);
        return;
    }
    double distance = std::hypot(point.x - m_touch.startWindowPoint.x, point.y - m_touch.startWindowPoint.y);
    if (m_touchScrollView && distance > ScrollView::kDragThreshold) {
        Point max = m_touchScrollView->maximumContentOffset();
        if (max.x > 0 || max.y > 0) {
            m_dragging = true;
            if (auto view = std::move(m_touchView)) {
                Touch cancelled = m_touch;
                cancelled.phase = TouchPhase::Cancelled;
                view->touchesCancelled(cancelled);
            }
            m_touchScrollView->beginDrag(m_touch.startWindowPoint);
            m_touchScrollView->dragTo(point);
            return;
        }
    }
    if (auto view = m_touchView)
        view->touchesMoved(m_touch);
}

void Window::touchUp(Point point)
{
    if (!isTouching() && !m_dragging)
        return;
    m_touch.windowPoint = point;
    m_touch.timestamp = core::RunLoop::main().now();
    m_touch.phase = TouchPhase::Ended;
    auto recognizers = m_touchRecognizers;
    for (auto& recognizer : recognizers)
        recognizer->touchesEnded(m_touch);
    if (m_dragging) {
        if (m_touchScrollView)
            m_touchScrollView->endDrag();
    } else if (auto view = m_touchView) {
        view->touchesEnded(m_touch);
    }
    endTouchTracking();
}

void Window::touchCancel()
{
    if (!isTouching() && !m_dragging)
        return;
    m_touch.phase = TouchPhase::Cancelled;
    auto recognizers = m_touchRecognizers;
    for (auto& recognizer : recognizers)
        recognizer->touchesCancelled(m_touch);
    if (m_dragging) {
        if (m_touchScrollView)
            m_touchScrollView->endDrag();
    } else if (auto view = m_touchView) {
        view->touchesCancelled(m_touch);
    }
    endTouchTracking();
}

void Window::endTouchTracking()
{
    auto recognizers = std::move(m_touchRecognizers);
    m_touchRecognizers.clear();
    for (auto& recognizer : recognizers)
        recognizer->reset();
    m_touchView.reset();
    m_touchScrollView.reset();
    m_dragging = false;
}

void Window::gestureDidBegin(GestureRecognizer* recognizer)
{
    (void)recognizer;
    if (auto view = std::move(m_touchView)) {
        Touch cancelled = m_touch;
        cancelled.phase = TouchPhase::Cancelled;
        view->touchesCancelled(cancelled);
    }
}

void Window::wheel(Point point, double dx, double dy)
{
    if (m_alert)
        return;
    auto front = frontViewController();
    if (!front)
        return;
    View* root = front->view().get();
    // The innermost scroll view under the point, whether or not something in it takes touches.
    View* target = hitTest(point);
    if (!target) {
        Point local = root->convertPointFromView(point, nullptr);
        if (root->pointInside(local))
            target = root;
    }
    for (View* v = target; v; v = v->superviewPointer()) {
        if (auto* scroll = dynamic_cast<ScrollView*>(v)) {
            if (scroll->scrollBy(dx, dy))
                return;
        }
    }
}

// --- Keys and text ---

void Window::keyDown(Key key)
{
    if (auto alert = m_alert) {
        if ((key == Key::Return || key == Key::Escape) && alert->numberOfButtons() > 0)
            alert->dismissWithClickedButtonIndex(0);
        return;
    }
    if (auto field = m_firstResponder.lock()) {
        switch (key) {
        case Key::Return:
            field->returnKeyPressed();
            return;
        case Key::Backspace:
            field->deleteBackward();
            return;
        case Key::Escape:
            resignFirstResponder(field.get());
            return;
        default:
            // Space and the arrows belong to the text being typed.
            return;
        }
    }
    if (auto front = frontViewController())
        front->keyPressed(key);
}

void Window::textInput(const std::string& text)
{
    if (m_alert)
        return;
    if (auto field = m_firstResponder.lock())
        field->insertText(text);
}

bool Window::setFirstResponder(const std::shared_ptr<TextField>& field)
{
    auto current = m_firstResponder.lock();
    if (current == field)
        return true;
    if (current)
        resignFirstResponder(current.get());
    m_firstResponder = field;
    field->focusChanged(true);
    setNeedsDisplay();
    return true;
}

void Window::resignFirstResponder(TextField* field)
{
    auto current = m_firstResponder.lock();
    if (!current || current.get() != field)
        return;
    m_firstResponder.reset();
    current->focusChanged(false);
    setNeedsDisplay();
}

// --- Alerts ---

void Window::showAlert(std::shared_ptr<AlertView> alert)
{
    if (!alert || alert == m_alert || std::find(m_pendingAlerts.begin(), m_pendingAlerts.end(), alert) != m_pendingAlerts.end())
        return;
    if (m_alert) {
        m_pendingAlerts.push_back(std::move(alert));
        return;
    }
    // The alert takes over: a touch in progress is cancelled.
    touchCancel();
    m_alert = alert;
    alert->m_visible = true;
    alert->m_window = m_anchor.reference();
    alert->setFrame(bounds());
    m_alertLayer->setFrame(bounds());
    m_alertLayer->addSubview(alert);
    alert->setNeedsLayout();
    setNeedsDisplay();
}

void Window::alertDismissed(AlertView* alert)
{
    if (m_alert.get() != alert) {
        std::erase_if(m_pendingAlerts, [alert](auto& a) { return a.get() == alert; });
        return;
    }
    auto keep = std::move(m_alert);
    m_alert.reset();
    keep->removeFromSuperview();
    setNeedsDisplay();
    if (!m_pendingAlerts.empty()) {
        auto next = std::move(m_pendingAlerts.front());
        m_pendingAlerts.pop_front();
        showAlert(std::move(next));
    }
}

}
