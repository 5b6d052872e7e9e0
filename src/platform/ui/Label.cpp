#include "platform/ui/Label.h"
#include "platform/core/Json.h"
#include "platform/ui/Painter.h"

#include <cmath>

namespace ui {

std::shared_ptr<Label> Label::create(Rect frame)
{
    // One allocation for the label and its count.
    struct Made : Label {
        explicit Made(Rect frame)
            : Label(frame)
        {
        }
    };
    return std::make_shared<Made>(frame);
}

Label::Label(Rect frame)
    : View(frame)
{
    setUserInteractionEnabled(false);
}

void Label::setText(std::string text)
{
    if (m_text == text)
        return;
    m_text = std::move(text);
    invalidateDisplay();
}

void Label::setFont(Font font)
{
    if (m_font == font)
        return;
    invalidateDisplay();
    m_font = std::move(font);
    invalidateExtent();
    invalidateDisplay();
}

void Label::setTextColor(Color color)
{
    if (m_textColor == color)
        return;
    m_textColor = color;
    invalidateDisplay();
}

void Label::setTextAlignment(TextAlignment alignment)
{
    if (m_textAlignment == alignment)
        return;
    m_textAlignment = alignment;
    invalidateDisplay();
}

void Label::setNumberOfLines(int lines)
{
    m_numberOfLines = lines;
}

void Label::setLineBreakMode(LineBreakMode mode)
{
    if (m_lineBreakMode == mode)
        return;
    m_lineBreakMode = mode;
    invalidateDisplay();
}

Size Label::sizeThatFits(Size) const
{
    Size size = m_font.sizeOfText(m_text);
    return { std::ceil(size.width), std::ceil(size.height) };
}

// A line taller than the label overflows above and below it (the platform does not clip it).
Rect Label::contentExtent() const
{
    Rect b = bounds();
    double overflow = std::max(0.0, (m_font.lineHeight() - b.height()) / 2) + 1;
    return b.inset(0, -overflow);
}

void Label::draw(Painter& painter, Rect)
{
    if (m_text.empty())
        return;
    painter.drawText(m_text, m_font, m_textColor, bounds(), m_textAlignment, m_lineBreakMode);
}

void Label::describe(nlohmann::json& out) const
{
    out["text"] = m_text;
}

}
