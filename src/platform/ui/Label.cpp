#include "platform/ui/Label.h"
#include "platform/core/Json.h"
#include "platform/ui/Painter.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

double widthOf(const std::string& text, const Font& font)
{
    return font.sizeOfText(text).width;
}

// The longest head of `word` (whole UTF-8 characters, at least one) that fits in `width`.
size_t fittingHead(const std::string& word, const Font& font, double width)
{
    size_t fits = 0;
    for (size_t end = 1; end <= word.size(); ++end) {
        if (end < word.size() && (static_cast<unsigned char>(word[end]) & 0xC0) == 0x80)
            continue;
        if (fits > 0 && widthOf(word.substr(0, end), font) > width)
            break;
        fits = end;
    }
    return fits;
}

// Greedy: each word goes on the line if it fits, else starts the next one.
void wrapParagraph(const std::string& paragraph, const Font& font, double width, std::vector<std::string>& lines)
{
    std::string line;
    size_t start = 0;
    while (start <= paragraph.size()) {
        size_t space = paragraph.find(' ', start);
        std::string word = paragraph.substr(start, space == std::string::npos ? std::string::npos : space - start);
        start = space == std::string::npos ? paragraph.size() + 1 : space + 1;
        std::string joined = line.empty() ? word : line + " " + word;
        if (widthOf(joined, font) <= width) {
            line = std::move(joined);
            continue;
        }
        if (!line.empty())
            lines.push_back(std::move(line));
        line = std::move(word);
        while (line.size() > 1 && widthOf(line, font) > width) {
            size_t head = fittingHead(line, font, width);
            if (head >= line.size())
                break;
            lines.push_back(line.substr(0, head));
            line.erase(0, head);
        }
    }
    lines.push_back(std::move(line));
}

}

std::vector<std::string> Label::wrappedLines(const std::string& text, const Font& font, double width, int maxLines)
{
    // Nothing fits a label not laid out yet; it keeps its text on one line until it has a width.
    if (!(width > 0))
        return { text };
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        wrapParagraph(text.substr(start, end == std::string::npos ? std::string::npos : end - start), font, width, lines);
        start = end == std::string::npos ? text.size() + 1 : end + 1;
    }
    if (maxLines > 0 && lines.size() > static_cast<size_t>(maxLines)) {
        std::string rest;
        for (size_t i = static_cast<size_t>(maxLines) - 1; i < lines.size(); ++i)
            rest += (rest.empty() ? "" : " ") + lines[i];
        lines.resize(static_cast<size_t>(maxLines));
        lines.back() = truncateTail(rest, font, width);
    }
    return lines;
}

Size Label::sizeOfWrappedText(const std::string& text, const Font& font, double width, int maxLines)
{
    auto lines = wrappedLines(text, font, width, maxLines);
    if (lines.size() <= 1)
        return font.sizeOfText(text);
    double widest = 0;
    for (auto& line : lines)
        widest = std::max(widest, widthOf(line, font));
    return { widest, font.lineHeight() * static_cast<double>(lines.size()) };
}

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
    // Wrapped text may take more or fewer lines: the area it leaves is drawn again too.
    if (isMultiline())
        invalidateDisplay();
    m_text = std::move(text);
    if (isMultiline())
        invalidateExtent();
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
    if (m_numberOfLines == lines)
        return;
    invalidateDisplay();
    m_numberOfLines = lines;
    invalidateExtent();
    invalidateDisplay();
}

void Label::setLineBreakMode(LineBreakMode mode)
{
    if (m_lineBreakMode == mode)
        return;
    m_lineBreakMode = mode;
    invalidateDisplay();
}

Size Label::sizeThatFits(Size fitting) const
{
    Size size = isMultiline() && fitting.width > 0 ? sizeOfWrappedText(m_text, m_font, fitting.width, m_numberOfLines)
                                                   : m_font.sizeOfText(m_text);
    return { std::ceil(size.width), std::ceil(size.height) };
}

// Text taller than the label overflows above and below it (the platform does not clip it).
Rect Label::contentExtent() const
{
    Rect b = bounds();
    double textHeight = m_font.lineHeight();
    if (isMultiline() && !m_text.empty())
        textHeight *= static_cast<double>(wrappedLines(m_text, m_font, b.width(), m_numberOfLines).size());
    double overflow = std::max(0.0, (textHeight - b.height()) / 2) + 1;
    return b.inset(0, -overflow);
}

void Label::draw(Painter& painter, Rect)
{
    if (m_text.empty())
        return;
    if (!isMultiline()) {
        painter.drawText(m_text, m_font, m_textColor, bounds(), m_textAlignment, m_lineBreakMode);
        return;
    }
    const Rect b = bounds();
    const auto lines = wrappedLines(m_text, m_font, b.width(), m_numberOfLines);
    const double lineHeight = m_font.lineHeight();
    // Each line centred in its own band, so one line draws exactly where a one-line label would.
    double y = b.midY() - lineHeight * static_cast<double>(lines.size()) / 2;
    for (const auto& line : lines) {
        painter.drawText(line, m_font, m_textColor, Rect { { b.x(), y }, { b.width(), lineHeight } }, m_textAlignment, m_lineBreakMode);
        y += lineHeight;
    }
}

void Label::describe(nlohmann::json& out) const
{
    out["text"] = m_text;
}

}
