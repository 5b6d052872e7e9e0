#pragma once
#include "platform/ui/Painter.h"

#include <memory>

namespace render {

// The Painter on a Cairo context. Keeps Cairo out of every other header: the context arrives
// as a void* and the state lives in a private implementation.
class PainterCairo final : public ui::Painter {
public:
    explicit PainterCairo(void* cairoContext);
    ~PainterCairo() override;

    void save() override;
    void restore() override;
    void translate(double dx, double dy) override;
    void clipRect(ui::Rect rect) override;
    void clipPath(const ui::BezierPath& path) override;
    ui::Rect clipBounds() const override;
    void fillRect(ui::Rect rect, ui::Color color) override;
    void fillPath(const ui::BezierPath& path, ui::Color color) override;
    void strokePath(const ui::BezierPath& path, const ui::StrokeStyle& style) override;
    void strokeRectInside(ui::Rect rect, double width, double cornerRadius, ui::Color color) override;
    void drawText(const std::string& text, const ui::Font& font, ui::Color color, ui::Rect rect,
        ui::TextAlignment alignment, ui::LineBreakMode lineBreak) override;
    ui::Size measureText(const std::string& text, const ui::Font& font) override;
    void drawImage(const ui::Image& image, ui::Rect rect) override;
    void beginGroup(double alpha) override;
    void endGroup() override;

    // Cairo-backed font metrics for ui::Font (no context needed).
    static double textWidth(const ui::Font& font, const std::string& text);
    static double lineHeight(const ui::Font& font);
    static double ascender(const ui::Font& font);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}
