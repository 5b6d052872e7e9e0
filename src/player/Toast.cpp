#include "player/Toast.h"

#include "platform/ui/Label.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Window.h"

namespace player {

void Toast::show(ui::View& host, const std::string& text)
{
    constexpr double width = 220, height = 44;
    auto toast = ui::Label::create(ui::RectMake((ui::Window::kWidth - width) / 2, ui::Window::kHeight - 56 - height - 130, width, height));
    toast->setText(text);
    toast->setFont(ui::Font::boldSystemFont(17));
    toast->setTextColor(ui::Color::white());
    toast->setTextAlignment(ui::TextAlignment::Center);
    toast->setBackgroundColor(ui::Color::white(0.15, 0.88));
    toast->layer().setCornerRadius(10);
    toast->layer().setZPosition(300);
    toast->setUserInteractionEnabled(false);
    toast->setAccessibilityIdentifier("toast");
    host.addSubview(toast);
    std::weak_ptr<ui::Label> weak = toast;
    ui::View::animateWithDuration(kFadeSeconds, kShownSeconds, [weak] {
        if (auto shown = weak.lock())
            shown->setAlpha(0);
    }, [weak](bool) {
        if (auto shown = weak.lock())
            shown->removeFromSuperview();
    });
}

}
