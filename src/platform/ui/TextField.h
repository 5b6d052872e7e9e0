#pragma once
#include "platform/ui/Control.h"
#include "platform/ui/Font.h"

namespace ui {

class TextField;

class TextFieldDelegate {
public:
    virtual ~TextFieldDelegate() = default;
    // The return key: true lets the field send EditingDidEndOnExit.
    virtual bool textFieldShouldReturn(TextField* textField) { (void)textField; return true; }
    virtual void textFieldDidBeginEditing(TextField* textField) { (void)textField; }
    virtual void textFieldDidEndEditing(TextField* textField) { (void)textField; }
};

enum class TextBorderStyle { None, Line, RoundedRect };

// One line of editable text. A tap focuses it (it becomes the window's first responder); typed
// text goes to the end, Backspace removes the last character, Return asks the delegate.
class TextField : public Control {
public:
    static std::shared_ptr<TextField> create(Rect frame = {});

    const std::string& text() const { return m_text; }
    void setText(std::string text);
    const std::string& placeholder() const { return m_placeholder; }
    void setPlaceholder(std::string placeholder);
    const Font& font() const { return m_font; }
    void setFont(Font font);
    Color textColor() const { return m_textColor; }
    void setTextColor(Color color);
    TextAlignment textAlignment() const { return m_textAlignment; }
    void setTextAlignment(TextAlignment alignment);
    TextBorderStyle borderStyle() const { return m_borderStyle; }
    void setBorderStyle(TextBorderStyle style);

    std::shared_ptr<TextFieldDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<TextFieldDelegate> delegate) { m_delegate = std::move(delegate); }
    // Any screen that is also a delegate, even passed as its base (shared_from_this()).
    template<typename U>
    void setDelegate(const std::shared_ptr<U>& delegate) { setDelegate(std::weak_ptr<TextFieldDelegate>(std::dynamic_pointer_cast<TextFieldDelegate>(delegate))); }

    // Focus goes through the window that shows the field; false when it shows in none.
    bool becomeFirstResponder();
    bool resignFirstResponder();
    bool isFirstResponder() const;
    bool isEditing() const { return isFirstResponder(); }

    // Keyboard input, from the window.
    void insertText(const std::string& text);
    void deleteBackward();
    void returnKeyPressed();

    void touchesEnded(const Touch& touch) override;
    void draw(Painter& painter, Rect dirty) override;
    bool hasCustomDrawing() const override { return true; }
    std::string className() const override { return "TextField"; }
    void describe(nlohmann::json& out) const override;

protected:
    explicit TextField(Rect frame);

private:
    friend class Window;
    void focusChanged(bool focused);

    std::string m_text;
    std::string m_placeholder;
    Font m_font = Font::systemFont(17);
    Color m_textColor = Color::black();
    TextAlignment m_textAlignment = TextAlignment::Left;
    TextBorderStyle m_borderStyle = TextBorderStyle::RoundedRect;
    std::weak_ptr<TextFieldDelegate> m_delegate;
};

}
