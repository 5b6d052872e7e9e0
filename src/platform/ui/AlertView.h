#pragma once
#include "platform/ui/View.h"

#include <functional>
#include <string>
#include <vector>

namespace ui {

class Button;
class Label;

// A modal box with a title, a message and a row of buttons, shown above every screen. While it
// shows, touches go only to it. A button dismisses it and then calls onDismiss with its index.
// Buttons carry the accessibility identifiers "alertButton0", "alertButton1", ...
class AlertView : public View {
public:
    using DismissHandler = std::function<void(int buttonIndex)>;
    static std::shared_ptr<AlertView> create(std::string title, std::string message, std::vector<std::string> buttonTitles, DismissHandler onDismiss = {});

    const std::string& title() const { return m_title; }
    const std::string& message() const { return m_message; }
    const std::vector<std::string>& buttonTitles() const { return m_buttonTitles; }
    int numberOfButtons() const { return static_cast<int>(m_buttonTitles.size()); }
    std::shared_ptr<Button> buttonAtIndex(int index) const;

    // Shows in the key window (one alert at a time; later ones wait their turn).
    void show();
    bool isVisible() const { return m_visible; }
    void dismissWithClickedButtonIndex(int index, Animated animated = Animated::No);

    void layoutSubviews() override;
    View* hitTest(Point point) override;
    std::string className() const override { return "AlertView"; }
    void describe(nlohmann::json& out) const override;

protected:
    AlertView(std::string title, std::string message, std::vector<std::string> buttonTitles, DismissHandler onDismiss);

private:
    friend class Window;
    void buttonTapped(Object* sender);

    std::string m_title;
    std::string m_message;
    std::vector<std::string> m_buttonTitles;
    DismissHandler m_onDismiss;
    std::shared_ptr<View> m_box;
    std::shared_ptr<Label> m_titleLabel;
    std::shared_ptr<Label> m_messageLabel;
    std::shared_ptr<View> m_separator;
    std::vector<std::shared_ptr<Button>> m_buttons;
    bool m_visible = false;
    core::WeakReference<Window> m_window; // reads nullptr once the window is gone
};

}
