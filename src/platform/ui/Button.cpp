#include "platform/ui/Button.h"
#include "platform/core/Json.h"
#include "platform/ui/Painter.h"

#include <cmath>

namespace ui {

std::shared_ptr<Button> Button::create(ButtonType type, Rect frame)
{
    // One allocation for the button and its count.
    struct Made : Button {
        Made(ButtonType type, Rect frame)
            : Button(type, frame)
        {
        }
    };
    return std::make_shared<Made>(type, frame);
}

Button::Button(ButtonType type, Rect frame)
    : Control(frame)
    , m_type(type)
{
}

void Button::setTitle(std::string title)
{
    if (m_title == title)
        return;
    m_title = std::move(title);
    invalidateDisplay();
}

const Button::Appearance& Button::appearance() const
{
    static const Appearance standard;
    return m_appearance ? *m_appearance : standard;
}

Button::Appearance& Button::ownAppearance()
{
    if (!m_appearance)
        m_appearance = std::make_unique<Appearance>();
    return *m_appearance;
}

void Button::setTintColor(Color color)
{
    if (tintColor() == color)
        return;
    ownAppearance().tintColor = color;
    invalidateDisplay();
}

void Button::setTitleColor(Color color)
{
    if (titleColor() == color)
        return;
    ownAppearance().titleColor = color;
    invalidateDisplay();
}

void Button::setTitleFont(Font font)
{
    if (titleFont() == font)
        return;
    ownAppearance().titleFont = std::move(font);
    invalidateDisplay();
}

Size Button::sizeThatFits(Size) const
{
    Size text = titleFont().sizeOfText(m_title);
    return { std::ceil(text.width) + 12, std::max(30.0, std::ceil(text.height) + 12) };
}

void Button::draw(Painter& painter, Rect)
{
    if (m_title.empty())
        return;
    Color color = m_type == ButtonType::System ? tintColor() : titleColor();
    if (!isEnabled())
        color = Color::white(0.55, 1);
    else if (isHighlighted())
        color = color.withAlpha(color.a * 0.2);
    painter.drawText(m_title, titleFont(), color, bounds(), TextAlignment::Center, LineBreakMode::TruncatingTail);
}

void Button::describe(nlohmann::json& out) const
{
    Control::describe(out);
    out["title"] = m_title;
}

}
