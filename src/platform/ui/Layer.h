#pragma once
#include "platform/core/WeakReference.h"
#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"

#include <memory>
#include <optional>
#include <vector>

namespace ui {

class ShapeLayer;
class View;

// What a view shows besides its own drawing: stacking, border, rounded corners, a mask and
// extra layers. A view's layer takes its geometry from the view; a free-standing layer (a
// sublayer or a mask) has its own bounds and position (the centre, in its superlayer's
// coordinates). Setters only record and mark the owning view for redrawing.
class Layer {
public:
    static std::shared_ptr<Layer> create();
    Layer() = default;
    virtual ~Layer();
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    double zPosition() const { return m_zPosition; }
    void setZPosition(double z);

    Color borderColor() const { return m_style ? m_style->borderColor : Color::black(); }
    void setBorderColor(Color c);
    // Drawn inside the bounds, above the content and the sublayers.
    double borderWidth() const { return m_style ? m_style->borderWidth : 0; }
    void setBorderWidth(double w);

    // Rounds the background and border; with masksToBounds also the clip of the content.
    double cornerRadius() const { return m_style ? m_style->cornerRadius : 0; }
    void setCornerRadius(double r);
    bool masksToBounds() const { return m_style && m_style->masksToBounds; }
    void setMasksToBounds(bool masks);

    // Clips the view and all its children to the mask's path (its filled area), even where
    // they stand outside the view's bounds. Mask geometry is in the view's bounds coordinates.
    const std::shared_ptr<ShapeLayer>& mask() const;
    void setMask(std::shared_ptr<ShapeLayer> mask);

    // Free-standing layers only: bounds (origin usually 0, 0), position of the centre, and the
    // frame those give in the superlayer.
    Rect bounds() const { return m_own ? m_own->bounds : Rect {}; }
    void setBounds(Rect b);
    Point position() const { return m_own ? m_own->position : Point {}; }
    void setPosition(Point p);
    Rect frame() const;
    void setFrame(Rect f);

    std::optional<Color> backgroundColor() const { return m_own ? m_own->backgroundColor : std::nullopt; }
    void setBackgroundColor(std::optional<Color> c);
    bool isHidden() const { return m_own && m_own->hidden; }
    void setHidden(bool h);
    double opacity() const { return m_own ? m_own->opacity : 1.0; }
    void setOpacity(double o);

    // Drawn above the owning view's own drawing, in order, below its child views.
    void addSublayer(std::shared_ptr<Layer> layer);
    void removeFromSuperlayer();
    const std::vector<std::shared_ptr<Layer>>& sublayers() const;
    Layer* superlayer() const { return m_superlayer.get(); }

    // The view whose layer this is (directly, or as the root of this layer's superlayer chain).
    View* owningView() const;

    // How far the drawing of this layer and its sublayers reaches, in its superlayer's
    // coordinates (strokes included); empty when it draws nothing.
    virtual Rect drawingExtent() const;

protected:
    // Marks the owning view for redrawing; `geometry` also drops its cached extents.
    void changed(bool geometry = false);
    void changedBefore();

private:
    friend class View;

    // Border, corners, mask and sublayers, made on the first change: most views of a long strip
    // only ever set their zPosition.
    struct Style {
        Color borderColor = Color::black();
        double borderWidth = 0;
        double cornerRadius = 0;
        bool masksToBounds = false;
        std::shared_ptr<ShapeLayer> mask;
        std::vector<std::shared_ptr<Layer>> sublayers;
    };
    // What only a free-standing layer has: its own geometry and appearance.
    struct Own {
        Rect bounds;
        Point position;
        std::optional<Color> backgroundColor;
        bool hidden = false;
        double opacity = 1;
    };
    Style& style();
    Own& own();

    double m_zPosition = 0;
    std::unique_ptr<Style> m_style;
    std::unique_ptr<Own> m_own;
    // Back-references read as nullptr once what they name is gone.
    core::WeakReference<Layer> m_superlayer; // also the masked layer, for a mask
    View* m_view = nullptr;                  // set for a view's own layer, which lives inside the view
    core::WeakAnchor<Layer> m_anchor { this };
};

}
