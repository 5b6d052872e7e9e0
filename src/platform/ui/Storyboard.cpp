#include "platform/ui/Storyboard.h"
#include "platform/ui/ViewController.h"

#include <map>

namespace ui {

namespace {

struct Registry {
    std::map<std::string, Storyboard::Factory> screens;
    std::string initial;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

}

void Storyboard::registerScreen(const std::string& identifier, Factory factory)
{
    registry().screens[identifier] = std::move(factory);
}

void Storyboard::setInitialScreen(const std::string& identifier)
{
    registry().initial = identifier;
}

bool Storyboard::hasScreen(const std::string& identifier)
{
    return registry().screens.count(identifier) != 0;
}

void Storyboard::reset()
{
    registry() = Registry();
}

std::shared_ptr<ViewController> Storyboard::instantiateViewControllerWithIdentifier(const std::string& identifier)
{
    auto it = registry().screens.find(identifier);
    if (it == registry().screens.end() || !it->second)
        return nullptr;
    return it->second();
}

std::shared_ptr<ViewController> Storyboard::instantiateInitialViewController()
{
    return instantiateViewControllerWithIdentifier(registry().initial);
}

}
