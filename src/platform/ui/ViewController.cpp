#include "platform/ui/ViewController.h"
#include "platform/core/Log.h"
#include "platform/ui/Animation.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace ui {

namespace {
constexpr double kTransitionSeconds = 0.3;
}

std::shared_ptr<ViewController> ViewController::create()
{
    return std::shared_ptr<ViewController>(new ViewController());
}

ViewController::~ViewController() = default;

std::shared_ptr<View> ViewController::view()
{
    if (!m_view) {
        loadView();
        if (!m_view)
            ViewController::loadView();
        viewDidLoad();
    }
    return m_view;
}

void ViewController::setView(std::shared_ptr<View> view)
{
    m_view = std::move(view);
}

void ViewController::loadView()
{
    Window* window = this->window();
    Size size = window ? window->size() : Size { Window::kWidth, Window::kHeight };
    m_view = View::create({ {}, size });
    m_view->setBackgroundColor(Color::white());
}

bool ViewController::shouldAutorotateToInterfaceOrientation(InterfaceOrientation orientation) const
{
    unsigned mask = supportedInterfaceOrientations();
    switch (orientation) {
    case InterfaceOrientation::Portrait:
        return mask & Portrait;
    case InterfaceOrientation::PortraitUpsideDown:
        return mask & PortraitUpsideDown;
    case InterfaceOrientation::LandscapeRight:
        return mask & LandscapeRight;
    case InterfaceOrientation::LandscapeLeft:
        return mask & LandscapeLeft;
    }
    return false;
}

Window* ViewController::window() const
{
    const ViewController* vc = this;
    while (auto presenter = vc->m_presenting.lock())
        vc = presenter.get();
    return vc->m_window.get();
}

void ViewController::presentViewController(std::shared_ptr<ViewController> controller, Animated animated, std::function<void()> completion)
{
    if (!controller || controller.get() == this)
        return;
    if (m_presented) {
        core::log("Attempt to present %s on %s which is already presenting", controller->className().c_str(), className().c_str());
        return;
    }
    auto self = shared_from_this();
    controller->m_presenting = self;
    m_presented = controller;
    Window* window = this->window();
    Size size = window ? window->size() : Size { Window::kWidth, Window::kHeight };
    auto view = controller->view();
    bool isAnimated = animated == Animated::Yes;
    view->setFrame(RectMake(0, isAnimated ? size.height : 0, size.width, size.height));
    controller->viewWillAppear(isAnimated);
    viewWillDisappear(isAnimated);

    auto finish = [self, controller, completion = std::move(completion), isAnimated](bool) {
        // A dismissal that cut the slide short keeps its own state.
        if (controller->m_transition == Transition::Presenting)
            controller->m_transition = Transition::None;
        if (Window* w = self->window())
            w->controllersChanged();
        controller->viewDidAppear(isAnimated);
        self->viewDidDisappear(isAnimated);
        if (completion)
            completion();
    };
    if (!isAnimated) {
        if (window)
            window->controllersChanged();
        finish(true);
        return;
    }
    controller->m_transition = Transition::Presenting;
    if (window)
        window->controllersChanged();
    Animation::Track track { view, AnimatedProperty::Frame, { 0, size.height, size.width, size.height }, { 0, 0, size.width, size.height }, true };
    Animation::start(kTransitionSeconds, 0, { track }, std::move(finish));
}

void ViewController::dismissViewControllerAnimated(Animated animated, std::function<void()> completion)
{
    std::shared_ptr<ViewController> presenter = m_presented ? shared_from_this() : m_presenting.lock();
    if (!presenter || !presenter->m_presented)
        return;
    auto dismissed = presenter->m_presented;
    if (dismissed->m_transition == Transition::Dismissing)
        return;
    bool isAnimated = animated == Animated::Yes;
    Window* window = presenter->window();
    dismissed->viewWillDisappear(isAnimated);
    presenter->viewWillAppear(isAnimated);

    auto finish = [presenter, dismissed, completion = std::move(completion), isAnimated](bool) {
        dismissed->m_transition = Transition::None;
        // Whatever the dismissed screen presented goes with it.
        presenter->m_presented.reset();
        dismissed->m_presenting.reset();
        if (Window* w = presenter->window())
            w->controllersChanged();
        dismissed->viewDidDisappear(isAnimated);
        presenter->viewDidAppear(isAnimated);
        if (completion)
            completion();
    };
    if (!isAnimated) {
        finish(true);
        return;
    }
    dismissed->m_transition = Transition::Dismissing;
    if (window)
        window->controllersChanged();
    auto view = dismissed->view();
    Rect from = view->frame();
    double height = window ? window->size().height : Window::kHeight;
    Animation::Track track { view, AnimatedProperty::Frame, { from.x(), from.y(), from.width(), from.height() }, { from.x(), height, from.width(), from.height() }, true };
    Animation::start(kTransitionSeconds, 0, { track }, std::move(finish));
}

}
