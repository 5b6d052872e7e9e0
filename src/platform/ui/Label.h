#pragma once
#include "platform/ui/Font.h"
#include "platform/ui/View.h"

#include <string>
#include <vector>

namespace ui {

// Text in the bounds, cut at the tail with "…" where it does not fit the width. One line by
// default, vertically centred; with numberOfLines other than 1 the text wraps at spaces (and at
// "\n") into at most that many lines (0: as many as it needs), the block vertically centred.
// Takes no touches unless told to.
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
    int numberOfLines() const { return m_numberOfLines; }
    void setNumberOfLines(int lines);
    LineBreakMode lineBreakMode() const { return m_lineBreakMode; }
    void setLineBreakMode(LineBreakMode mode);

    // The lines `text` takes in `width`: broken at spaces and at every "\n", a word wider than
    // the width broken between characters. With `maxLines` above 0 the last line allowed takes
    // the rest, cut at the tail with "…".
    static std::vector<std::string> wrappedLines(const std::string& text, const Font& font, double width, int maxLines);
    // The size of that block: exactly the one-line size when the text takes one line, else the
    // widest line by the lines' height.
    static Size sizeOfWrappedText(const std::string& text, const Font& font, double width, int maxLines);

    // One line: the text's own size. More lines: wrapped to `size`'s width (when it has one).
    Size sizeThatFits(Size size) const override;
    void draw(Painter& painter, Rect dirty) override;
    bool hasCustomDrawing() const override { return true; }
    Rect contentExtent() const override;
    std::string className() const override { return "Label"; }
    void describe(nlohmann::json& out) const override;

protected:
    explicit Label(Rect frame);

private:
    bool isMultiline() const { return m_numberOfLines != 1; }

    std::string m_text;
    Font m_font = Font::systemFont(17);
    Color m_textColor = Color::black();
    TextAlignment m_textAlignment = TextAlignment::Left;
    int m_numberOfLines = 1;
    LineBreakMode m_lineBreakMode = LineBreakMode::TruncatingTail;
};

}
