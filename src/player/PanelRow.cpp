#include "player/PanelRow.h"

#include "platform/ui/Layer.h"

namespace player::panelRow {

std::shared_ptr<ui::Button> button(ui::View& row, const char* identifier, const char* title, double x, double width)
{
    auto button = ui::Button::create(ui::ButtonType::System, ui::RectMake(x, 2, width, 32));
    button->setTitle(title);
    button->setTitleFont(ui::Font::systemFont(15));
    button->setAccessibilityIdentifier(identifier);
    button->layer().setCornerRadius(6);
    button->layer().setBorderColor(ui::Color::white(0.78, 1));
    button->layer().setBorderWidth(1);
    row.addSubview(button);
    return button;
}

std::shared_ptr<ui::Label> label(ui::View& row, const char* identifier, double x, double width, ui::Font font)
{
    auto label = ui::Label::create(ui::RectMake(x, 1, width, 34));
    label->setFont(font);
    label->setAccessibilityIdentifier(identifier);
    row.addSubview(label);
    return label;
}

std::shared_ptr<ui::Label> caption(ui::View& row, const char* text, double x, double width)
{
    auto caption = label(row, "", x, width, ui::Font::systemFont(13));
    caption->setText(text);
    caption->setTextColor(ui::Color::darkGray());
    return caption;
}

void showToggle(ui::Button* button, bool on, bool enabled)
{
    if (!button)
        return;
    button->setSelected(on);
    button->setEnabled(enabled);
    button->setBackgroundColor(on ? ui::Color::rgba(0.20, 0.55, 0.90, 0.18) : ui::Color::clear());
}

}
