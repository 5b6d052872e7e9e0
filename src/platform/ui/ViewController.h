#pragma once
#include "platform/core/Object.h"
#include "platform/core/WeakReference.h"
#include "platform/ui/Event.h"
#include "platform/ui/Forward.h"

#include <functional>
#include <memory>

namespace ui {

enum InterfaceOrientationMask : unsigned {
    Portrait = 1 << 1,
    PortraitUpsideDown = 1 << 2,
    LandscapeRight = 1 << 3,
    LandscapeLeft = 1 << 4,
    Landscape = LandscapeLeft | LandscapeRight,
};

// The platform's orientation values: 1, 2 portrait; 3, 4 landscape.
enum class InterfaceOrientation { Portrait = 1, PortraitUpsideDown = 2, LandscapeRight = 3, LandscapeLeft = 4 };

// One screen: owns a root view, loaded on first use, and may present another screen modally
// over itself (which then gets the touches and keys until it is dismissed).
class ViewController : public Object, public std::enable_shared_from_this<ViewController> {
public:
    static std::shared_ptr<ViewController> create();
    ~ViewController() override;

    // Loads the view on first access: loadView, then viewDidLoad.
    std::shared_ptr<View> view();
    bool isViewLoaded() const { return m_view != nullptr; }
    void setView(std::shared_ptr<View> view);

    // Default: a plain white view of the window's size.
    virtual void loadView();
    virtual void viewDidLoad() { }
    virtual void viewWillAppear(bool animated) { (void)animated; }
    virtual void viewDidAppear(bool animated) { (void)animated; }
    virtual void viewWillDisappear(bool animated) { (void)animated; }
    virtual void viewDidDisappear(bool animated) { (void)animated; }
    virtual void didReceiveMemoryWarning() { }

    // Modal presentation: animated, the new screen slides up over 0.3 s of the main run loop's
    // clock; the completion runs once it is in place.
    void presentViewController(std::shared_ptr<ViewController> controller, Animated animated, std::function<void()> completion = {});
    // Dismisses the screen presented by this one, or this one if it was presented.
    void dismissViewControllerAnimated(Animated animated, std::function<void()> completion = {});
    std::shared_ptr<ViewController> presentingViewController() const { return m_presenting.lock(); }
    std::shared_ptr<ViewController> presentedViewController() const { return m_presented; }
    bool isBeingPresented() const { return m_transition == Transition::Presenting; }
    bool isBeingDismissed() const { return m_transition == Transition::Dismissing; }

    // Landscape only.
    virtual unsigned supportedInterfaceOrientations() const { return InterfaceOrientationMask::Landscape; }
    virtual bool shouldAutorotateToInterfaceOrientation(InterfaceOrientation orientation) const;

    // A key that no text field took (space, arrows, escape).
    virtual void keyPressed(Key key) { (void)key; }

    // The window showing this screen (through its presenters), if any.
    Window* window() const;

    // For the dump.
    virtual std::string className() const { return "ViewController"; }

protected:
    ViewController() = default;

private:
    friend class Window;
    enum class Transition { None, Presenting, Dismissing };

    std::shared_ptr<View> m_view;
    std::shared_ptr<ViewController> m_presented;
    std::weak_ptr<ViewController> m_presenting;
    core::WeakReference<Window> m_window; // set on the root controller by its window
    Transition m_transition = Transition::None;
};

}
