#include "library/AppDelegate.h"

namespace library {

bool AppDelegate::didFinishLaunchingWithOptions(ui::Application& application)
{
    window = application.windowPointer();
    return true;
}

}
