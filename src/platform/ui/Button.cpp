#include "platform/ui/Button.h"
#include "platform/core/Json.h"
#include "platform/ui/Painter.h"

#include <cmath>

namespace ui {

std::shared_ptr<Button> Button::create(ButtonType type, Rect frame)
{
    return std::shared_ptr<Button>(new Button(type, frame));
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

void Button::setTintColor(Color color)
{
    if (m_tintColor == color)
        return;
    m_tintColor = color;
    invalidateDisplay();
}

void Button::setTitleColor(Color color)
{
    if (m_titleColor == color)
        return;
    m_titleColor = color;
    invalidateDisplay();
}

void Button::setTitleFont(Font font)
{
    if (m_titleFont == font)
        return;
    m_titleFont = std::move(font);
    invalidateDisplay();
}

Size Button::sizeThatFits(Size) const
{
    Size text = m_titleFont.sizeOfText(m_title);
    return { std::ceil(text.width) + 12, std::max(30.0, std::ceil(text.height) + 12) };
}

void Button::draw(Painter& painter, Rect)
{
    if (m_title.empty())
        return;
    Color color = m_type == ButtonType::System ? m_tintColor : m_titleColor;
    if (!isEnabled())
        color = Color::white(0.55, 1);
    else if (isHighlighted())
        color = color.withAlpha(color.a * 0.2);
    painter.drawText(m_title, m_titleFont, color, bounds(), TextAlignment::Center, LineBreakMode::TruncatingTail);
}

void Button::describe(nlohmann::json& out) const
{
    Control::describe(out);
    out["title"] = m_title;
}

}
