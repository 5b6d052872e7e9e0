#include "platform/ui/Application.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace ui {

namespace {
std::unique_ptr<Application>& sharedStorage()
{
    static std::unique_ptr<Application> application;
    return application;
}
}

Application& Application::shared()
{
    auto& application = sharedStorage();
    if (!application)
        application = std::make_unique<Application>();
    return *application;
}

void Application::resetShared()
{
    sharedStorage().reset();
}

Application::Application() = default;
Application::~Application() = default;

void Application::setDelegate(std::shared_ptr<ApplicationDelegate> delegate)
{
    m_delegate = std::move(delegate);
}

Window& Application::window()
{
    return *windowPointer();
}

std::shared_ptr<Window> Application::windowPointer()
{
    if (!m_window) {
        m_window = Window::create();
        m_window->makeKeyWindow();
    }
    return m_window;
}

bool Application::launch()
{
    auto window = windowPointer();
    window->makeKeyWindow();
    auto root = Storyboard::instantiateInitialViewController();
    bool answer = m_delegate ? m_delegate->didFinishLaunchingWithOptions(*this) : true;
    // Shown after the delegate has run, as the platform makes the window visible last.
    if (root && !window->rootViewController())
        window->setRootViewController(root);
    m_launched = true;
    return answer;
}

}
