#pragma once
#include "platform/ui/Forward.h"

#include <functional>
#include <memory>
#include <string>

namespace ui {

// The screens of the app by identifier: each screen registers a factory, one is the first.
// Process-wide (the app has one storyboard); tests call reset().
class Storyboard {
public:
    using Factory = std::function<std::shared_ptr<ViewController>()>;

    static void registerScreen(const std::string& identifier, Factory factory);
    static void setInitialScreen(const std::string& identifier);
    static bool hasScreen(const std::string& identifier);
    static void reset();

    // A new controller; none for an unknown identifier.
    static std::shared_ptr<ViewController> instantiateViewControllerWithIdentifier(const std::string& identifier);
    static std::shared_ptr<ViewController> instantiateInitialViewController();
};

}
