#include "platform/ui/Font.h"

#include <algorithm>
#include <vector>

namespace ui {

namespace {

// Function-local so the renderer can install metrics from a static initializer safely.
Font::Metrics& metricsStorage()
{
    static Font::Metrics metrics;
    return metrics;
}

bool endsWith(const std::string& s, const std::string& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

size_t codePointCount(const std::string& text)
{
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}

Font Font::named(const std::string& name, double size)
{
    Font font { name, size, false, false };
    std::string style;
    if (auto dash = name.find('-'); dash != std::string::npos)
        style = name.substr(dash + 1);
    font.bold = style.find("Bold") != std::string::npos;
    font.italic = style.find("Italic") != std::string::npos || style.find("Oblique") != std::string::npos;
    return font;
}

std::string Font::family() const
{
    std::string base = name.substr(0, name.find('-'));
    if (base == "Arial" || base == "ArialMT" || base == "Helvetica" || base == "System" || base == "HelveticaNeue" || base.empty())
        return "Liberation Sans";
    if (base == "Times" || base == "TimesNewRoman" || base == "TimesNewRomanPSMT")
        return "Liberation Serif";
    if (base == "Courier" || base == "CourierNewPSMT" || base == "Menlo")
        return "Liberation Mono";
    if (endsWith(base, "MT"))
        base.resize(base.size() - 2);
    return base;
}

void Font::setMetrics(Metrics metrics)
{
    metricsStorage() = std::move(metrics);
}

bool Font::hasMetrics()
{
    return static_cast<bool>(metricsStorage().textWidth);
}

Size Font::sizeOfText(const std::string& text) const
{
    if (text.empty())
        return { 0, 0 };
    auto& metrics = metricsStorage();
    double width = metrics.textWidth ? metrics.textWidth(*this, text) : 0.52 * size * static_cast<double>(codePointCount(text));
    return { width, lineHeight() };
}

double Font::lineHeight() const
{
    auto& metrics = metricsStorage();
    return metrics.lineHeight ? metrics.lineHeight(*this) : 1.15 * size;
}

double Font::ascender() const
{
    auto& metrics = metricsStorage();
    return metrics.ascender ? metrics.ascender(*this) : 0.905 * size;
}

std::string truncateTail(const std::string& text, const Font& font, double width)
{
    if (font.sizeOfText(text).width <= width)
        return text;
    static const std::string ellipsis = "\xE2\x80\xA6";
    // Character boundaries, then the longest prefix that fits with the ellipsis.
    std::vector<size_t> cuts;
    for (size_t i = 0; i < text.size(); i++) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            cuts.push_back(i);
    }
    size_t lo = 0, hi = cuts.size(); // prefix of cuts[k] bytes for k characters; cuts[0] == 0
    // Like the platform, the truncation mark itself always shows, even where it overflows.
    if (font.sizeOfText(ellipsis).width > width)
        return ellipsis;
    while (lo + 1 < hi) {
        size_t mid = (lo + hi) / 2;
        if (font.sizeOfText(text.substr(0, cuts[mid]) + ellipsis).width <= width)
            lo = mid;
        else
            hi = mid;
    }
    std::string prefix = text.substr(0, cuts[lo]);
    while (!prefix.empty() && prefix.back() == ' ')
        prefix.pop_back();
    return prefix + ellipsis;
}

}
