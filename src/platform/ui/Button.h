#pragma once
#include "platform/ui/Control.h"
#include "platform/ui/Font.h"

namespace ui {

// Custom (0) draws only what it is given; System (1) has no background and shows its title in
// the tint colour, dimmed while pressed and grey when disabled.
enum class ButtonType { Custom = 0, System = 1 };

class Button : public Control {
public:
    static std::shared_ptr<Button> create(ButtonType type = ButtonType::System, Rect frame = {});
    // The platform's buttonWithType:.
    static std::shared_ptr<Button> buttonWithType(ButtonType type) { return create(type); }

    ButtonType buttonType() const { return m_type; }
    // The title for the normal state (the only state the app sets).
    const std::string& title() const { return m_title; }
    void setTitle(std::string title);
    Color tintColor() const { return m_tintColor; }
    void setTintColor(Color color);
    // Custom buttons draw their title in this colour (white by default).
    Color titleColor() const { return m_titleColor; }
    void setTitleColor(Color color);
    const Font& titleFont() const { return m_titleFont; }
    void setTitleFont(Font font);

    Size sizeThatFits(Size size) const override;
    void draw(Painter& painter, Rect dirty) override;
    bool hasCustomDrawing() const override { return true; }
    std::string className() const override { return "Button"; }
    void describe(nlohmann::json& out) const override;

protected:
    Button(ButtonType type, Rect frame);

private:
    ButtonType m_type;
    std::string m_title;
    Color m_tintColor = Color::systemBlue();
    Color m_titleColor = Color::white();
    Font m_titleFont = Font::systemFont(15);
};

}
