#include "platform/ui/AlertView.h"
#include "platform/core/Json.h"
#include "platform/core/Log.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {
constexpr double kMinBoxWidth = 270;
constexpr double kMaxBoxWidth = 560;
constexpr double kPadding = 18;
constexpr double kButtonHeight = 44;
}

std::shared_ptr<AlertView> AlertView::create(std::string title, std::string message, std::vector<std::string> buttonTitles, DismissHandler onDismiss)
{
    auto alert = std::shared_ptr<AlertView>(new AlertView(std::move(title), std::move(message), std::move(buttonTitles), std::move(onDismiss)));
    for (size_t i = 0; i < alert->m_buttonTitles.size(); i++) {
        auto button = Button::create(ButtonType::System);
        button->setTitle(alert->m_buttonTitles[i]);
        button->setTitleFont(i == 0 ? Font::boldSystemFont(17) : Font::systemFont(17));
        button->setAccessibilityIdentifier("alertButton" + std::to_string(i));
        button->setTag(static_cast<int>(i));
        std::weak_ptr<AlertView> weak = alert;
        button->addTarget(std::weak_ptr<void>(), [weak](Object* sender) {
            if (auto self = weak.lock())
                self->buttonTapped(sender);
        }, ControlEvent::TouchUpInside);
        alert->m_box->addSubview(button);
        alert->m_buttons.push_back(button);
    }
    return alert;
}

AlertView::AlertView(std::string title, std::string message, std::vector<std::string> buttonTitles, DismissHandler onDismiss)
    : View(RectMake(0, 0, 1024, 768))
    , m_title(std::move(title))
    , m_message(std::move(message))
    , m_buttonTitles(std::move(buttonTitles))
    , m_onDismiss(std::move(onDismiss))
    , m_box(View::create())
    , m_titleLabel(Label::create())
    , m_messageLabel(Label::create())
    , m_separator(View::create())
{
    // The dimmed backdrop is the modal part: it takes every touch that misses the box.
    setBackgroundColor(Color::white(0, 0.4));
    m_box->setBackgroundColor(Color::white(0.97, 1));
    m_box->layer().setCornerRadius(12);
    m_titleLabel->setFont(Font::boldSystemFont(17));
    m_titleLabel->setTextAlignment(TextAlignment::Center);
    m_titleLabel->setText(m_title);
    m_messageLabel->setFont(Font::systemFont(14));
    m_messageLabel->setTextAlignment(TextAlignment::Center);
    // A long message (a failure with its cause) wraps rather than losing its end.
    m_messageLabel->setNumberOfLines(0);
    m_messageLabel->setText(m_message);
    m_box->addSubview(m_titleLabel);
    m_box->addSubview(m_messageLabel);
    m_separator->setBackgroundColor(Color::white(0.8, 1));
    m_box->addSubview(m_separator);
    addSubview(m_box);
}

std::shared_ptr<Button> AlertView::buttonAtIndex(int index) const
{
    return index >= 0 && index < numberOfButtons() ? m_buttons[static_cast<size_t>(index)] : nullptr;
}

void AlertView::show()
{
    if (m_visible)
        return;
    Window* window = Window::keyWindow();
    if (!window) {
        core::log("AlertView \"%s\" has no window to show in", m_title.c_str());
        return;
    }
    window->showAlert(std::static_pointer_cast<AlertView>(shared_from_this()));
}

void AlertView::dismissWithClickedButtonIndex(int index, Animated)
{
    if (!m_visible)
        return;
    auto keep = shared_from_this();
    m_visible = false;
    if (Window* window = m_window.get())
        window->alertDismissed(this);
    m_window = nullptr;
    if (auto handler = std::move(m_onDismiss)) {
        m_onDismiss = nullptr;
        handler(index);
    }
}

void AlertView::buttonTapped(Object* sender)
{
    auto* button = dynamic_cast<Button*>(sender);
    dismissWithClickedButtonIndex(button ? button->tag() : 0);
}

void AlertView::layoutSubviews()
{
    Rect b = bounds();
    Size titleSize = m_titleLabel->font().sizeOfText(m_title);
    Size messageSize = m_messageLabel->font().sizeOfText(m_message);
    double buttonsWidth = 0;
    for (auto& button : m_buttons)
        buttonsWidth += button->sizeThatFits({}).width + 16;
    double width = std::clamp(std::max({ titleSize.width, messageSize.width, buttonsWidth }) + 2 * kPadding, kMinBoxWidth, std::min(kMaxBoxWidth, b.width() - 40));
    double y = kPadding;
    double labelWidth = width - 2 * kPadding;
    m_titleLabel->setFrame(RectMake(kPadding, y, labelWidth, std::ceil(m_titleLabel->font().lineHeight())));
    y += m_titleLabel->frame().height() + (m_message.empty() ? 0 : 4);
    m_messageLabel->setHidden(m_message.empty());
    if (!m_message.empty()) {
        const double lines = static_cast<double>(Label::wrappedLines(m_message, m_messageLabel->font(), labelWidth, 0).size());
        m_messageLabel->setFrame(RectMake(kPadding, y, labelWidth, std::ceil(lines * m_messageLabel->font().lineHeight())));
        y += m_messageLabel->frame().height();
    }
    y += kPadding;
    m_separator->setHidden(m_buttons.empty());
    m_separator->setFrame(RectMake(0, y, width, 0.5));
    if (!m_buttons.empty()) {
        double buttonWidth = width / static_cast<double>(m_buttons.size());
        for (size_t i = 0; i < m_buttons.size(); i++)
            m_buttons[i]->setFrame(RectMake(buttonWidth * static_cast<double>(i), y, buttonWidth, kButtonHeight));
        y += kButtonHeight;
    }
    m_box->setFrame(RectMake(std::round((b.width() - width) / 2), std::round((b.height() - y) / 2), width, y));
}

View* AlertView::hitTest(Point point)
{
    View* hit = View::hitTest(point);
    // Anything but a button lands on the backdrop.
    return hit && dynamic_cast<Button*>(hit) ? hit : (hit ? this : nullptr);
}

void AlertView::describe(nlohmann::json& out) const
{
    out["title"] = m_title;
    out["message"] = m_message;
    out["buttons"] = m_buttonTitles;
}

}
