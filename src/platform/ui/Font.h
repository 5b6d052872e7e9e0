#pragma once
#include "platform/ui/Geometry.h"

#include <functional>
#include <string>

namespace ui {

enum class TextAlignment { Left, Center, Right };
enum class LineBreakMode { Clip, TruncatingTail };

// A font by name and point size. The names the app uses are "Arial" and "Arial-Italic"
// (Liberation Sans, metric-compatible, draws them) and the system fonts.
struct Font {
    std::string name = "System";
    double size = 17;
    bool bold = false;
    bool italic = false;

    static Font systemFont(double size) { return { "System", size, false, false }; }
    static Font boldSystemFont(double size) { return { "System-Bold", size, true, false }; }
    // "Arial", "Arial-Italic", "Arial-BoldMT", "Arial-BoldItalicMT"; other names keep their
    // style suffix ("-Bold", "-Italic") and fall back to the system family.
    static Font named(const std::string& name, double size);

    // The fontconfig family that draws this font.
    std::string family() const;

    // Width of one line of `text`, and the font's line height. Uses the text metrics the
    // renderer installs; before that, an estimate from the average advance of Liberation Sans.
    Size sizeOfText(const std::string& text) const;
    double lineHeight() const;
    double ascender() const;

    bool operator==(const Font&) const = default;

    // The renderer's metrics; a process-wide hook so that layout code measures exactly what
    // the painter will draw without the kit linking the drawing library.
    struct Metrics {
        std::function<double(const Font&, const std::string&)> textWidth;
        std::function<double(const Font&)> lineHeight;
        std::function<double(const Font&)> ascender;
    };
    static void setMetrics(Metrics metrics);
    static bool hasMetrics();
};

// Tail truncation of one line: the longest prefix (whole UTF-8 characters) of `text` that,
// followed by "…", fits in `width`; the text itself when it fits; "…" alone when nothing fits.
std::string truncateTail(const std::string& text, const Font& font, double width);

}
