#pragma once
#include "platform/ui/Forward.h"

#include <memory>

namespace ui {

class Application;

class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual bool didFinishLaunchingWithOptions(Application& application) { (void)application; return true; }
};

// The running app: its delegate and its one window. launch() puts the storyboard's first screen
// in the window and tells the delegate.
class Application {
public:
    static Application& shared();
    // Tests: a fresh application (and window) next time shared() is called.
    static void resetShared();

    void setDelegate(std::shared_ptr<ApplicationDelegate> delegate);
    std::shared_ptr<ApplicationDelegate> delegate() const { return m_delegate; }
    Window& window();
    std::shared_ptr<Window> windowPointer();
    // Creates the window if needed, sets the initial screen as root, calls the delegate.
    // Returns the delegate's answer (true without a delegate).
    bool launch();
    bool isLaunched() const { return m_launched; }

    Application();
    ~Application();

private:
    std::shared_ptr<ApplicationDelegate> m_delegate;
    std::shared_ptr<Window> m_window;
    bool m_launched = false;
};

}
