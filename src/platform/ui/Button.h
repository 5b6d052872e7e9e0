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
    Color tintColor() const { return appearance().tintColor; }
    void setTintColor(Color color);
    // Custom buttons draw their title in this colour (white by default).
    Color titleColor() const { return appearance().titleColor; }
    void setTitleColor(Color color);
    const Font& titleFont() const { return appearance().titleFont; }
    void setTitleFont(Font font);

    Size sizeThatFits(Size size) const override;
    void draw(Painter& painter, Rect dirty) override;
    bool hasCustomDrawing() const override { return true; }
    std::string className() const override { return "Button"; }
    void describe(nlohmann::json& out) const override;

protected:
    Button(ButtonType type, Rect frame);

private:
    // Colours and font, shared by every button that keeps the defaults (a strip's beat buttons)
    // and made for a button on its first change.
    struct Appearance {
        Color tintColor = Color::systemBlue();
        Color titleColor = Color::white();
        Font titleFont = Font::systemFont(15);
    };
    const Appearance& appearance() const;
    Appearance& ownAppearance();

    ButtonType m_type;
    std::string m_title;
    std::unique_ptr<Appearance> m_appearance;
};

}
