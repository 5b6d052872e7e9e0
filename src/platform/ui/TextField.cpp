#include "platform/ui/TextField.h"
#include "platform/core/Json.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Window.h"

namespace ui {

namespace {
constexpr double kTextInset = 7;
}

std::shared_ptr<TextField> TextField::create(Rect frame)
{
    return std::shared_ptr<TextField>(new TextField(frame));
}

TextField::TextField(Rect frame)
    : Control(frame)
{
}

void TextField::setText(std::string text)
{
    if (m_text == text)
        return;
    m_text = std::move(text);
    invalidateDisplay();
}

void TextField::setPlaceholder(std::string placeholder)
{
    if (m_placeholder == placeholder)
        return;
    m_placeholder = std::move(placeholder);
    invalidateDisplay();
}

void TextField::setFont(Font font)
{
    if (m_font == font)
        return;
    m_font = std::move(font);
    invalidateDisplay();
}

void TextField::setTextColor(Color color)
{
    if (m_textColor == color)
        return;
    m_textColor = color;
    invalidateDisplay();
}

void TextField::setTextAlignment(TextAlignment alignment)
{
    if (m_textAlignment == alignment)
        return;
    m_textAlignment = alignment;
    invalidateDisplay();
}

void TextField::setBorderStyle(TextBorderStyle style)
{
    if (m_borderStyle == style)
        return;
    m_borderStyle = style;
    invalidateDisplay();
}

bool TextField::becomeFirstResponder()
{
    Window* window = this->window();
    if (!window || !isEnabled())
        return false;
    return window->setFirstResponder(std::static_pointer_cast<TextField>(shared_from_this()));
}

bool TextField::resignFirstResponder()
{
    if (Window* window = this->window())
        window->resignFirstResponder(this);
    return true;
}

bool TextField::isFirstResponder() const
{
    Window* window = this->window();
    return window && window->firstResponder().get() == this;
}

void TextField::focusChanged(bool focused)
{
    auto keep = shared_from_this();
    invalidateDisplay();
    if (auto delegate = m_delegate.lock()) {
        if (focused)
            delegate->textFieldDidBeginEditing(this);
        else
            delegate->textFieldDidEndEditing(this);
    }
}

void TextField::insertText(const std::string& text)
{
    if (text.empty())
        return;
    m_text += text;
    invalidateDisplay();
    sendActionsForControlEvents(ControlEvent::EditingChanged);
}

void TextField::deleteBackward()
{
    if (m_text.empty())
        return;
    // Whole UTF-8 characters.
    size_t cut = m_text.size() - 1;
    while (cut > 0 && (static_cast<unsigned char>(m_text[cut]) & 0xC0) == 0x80)
        cut--;
    m_text.erase(cut);
    invalidateDisplay();
    sendActionsForControlEvents(ControlEvent::EditingChanged);
}

void TextField::returnKeyPressed()
{
    auto keep = shared_from_this();
    auto delegate = m_delegate.lock();
    bool shouldReturn = delegate ? delegate->textFieldShouldReturn(this) : true;
    if (!shouldReturn)
        return;
    if (hasActionsForControlEvent(ControlEvent::EditingDidEndOnExit)) {
        sendActionsForControlEvents(ControlEvent::EditingDidEndOnExit);
        resignFirstResponder();
    }
}

void TextField::touchesEnded(const Touch& touch)
{
    bool tapped = isTracking() && isEnabled() && isTouchInside(touch);
    auto keep = shared_from_this();
    Control::touchesEnded(touch);
    if (tapped)
        becomeFirstResponder();
}

void TextField::draw(Painter& painter, Rect)
{
    Rect b = bounds();
    if (m_borderStyle == TextBorderStyle::RoundedRect) {
        auto box = BezierPath::bezierPathWithRoundedRect(b.inset(0.5, 0.5), 5);
        painter.fillPath(*box, Color::white());
        painter.strokePath(*box, { Color::white(0.8, 1), 1 });
    } else if (m_borderStyle == TextBorderStyle::Line) {
        painter.strokeRectInside(b, 1, 0, Color::black());
    }
    Rect textRect = b.inset(kTextInset, 0);
    bool focused = isFirstResponder();
    if (m_text.empty()) {
        if (!m_placeholder.empty())
            painter.drawText(m_placeholder, m_font, Color::white(0.7, 1), textRect, m_textAlignment);
    } else {
        painter.drawText(m_text, m_font, isEnabled() ? m_textColor : Color::white(0.55, 1), textRect, m_textAlignment);
    }
    if (focused) {
        double width = std::min(m_font.sizeOfText(m_text).width, textRect.width());
        double x = m_textAlignment == TextAlignment::Left ? textRect.x() + width
            : m_textAlignment == TextAlignment::Right      ? textRect.maxX()
                                                           : textRect.midX() + width / 2;
        double h = m_font.lineHeight();
        painter.fillRect(RectMake(x + 1, b.midY() - h / 2, 2, h), Color::systemBlue());
    }
}

void TextField::describe(nlohmann::json& out) const
{
    Control::describe(out);
    out["text"] = m_text;
    out["placeholder"] = m_placeholder;
    out["focused"] = isFirstResponder();
}

}
