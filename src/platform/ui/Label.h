#pragma once
#include "platform/ui/Font.h"
#include "platform/ui/View.h"

namespace ui {

// One line of text, vertically centred in the bounds, cut at the tail with "…" when it does
// not fit the width. Takes no touches unless told to.
class Label : public View {
public:
    static std::shared_ptr<Label> create(Rect frame = {});

    const std::string& text() const { return m_text; }
    void setText(std::string text);
    const Font& font() const { return m_font; }
    void setFont(Font font);
    Color textColor() const { return m_textColor; }
    void setTextColor(Color color);
    TextAlignment textAlignment() const { return m_textAlignment; }
    void setTextAlignment(TextAlignment alignment);
    // Kept for the screens that set it; drawing is always one line.
    int numberOfLines() const { return m_numberOfLines; }
    void setNumberOfLines(int lines);
    LineBreakMode lineBreakMode() const { return m_lineBreakMode; }
    void setLineBreakMode(LineBreakMode mode);

    Size sizeThatFits(Size size) const override;
    void draw(Painter& painter, Rect dirty) override;
    bool hasCustomDrawing() const override { return true; }
    Rect contentExtent() const override;
    std::string className() const override { return "Label"; }
    void describe(nlohmann::json& out) const override;

protected:
    explicit Label(Rect frame);

private:
    std::string m_text;
    Font m_font = Font::systemFont(17);
    Color m_textColor = Color::black();
    TextAlignment m_textAlignment = TextAlignment::Left;
    int m_numberOfLines = 1;
    LineBreakMode m_lineBreakMode = LineBreakMode::TruncatingTail;
};

}
