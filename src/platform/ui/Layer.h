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

    Color borderColor() const { return m_borderColor; }
    void setBorderColor(Color c);
    // Drawn inside the bounds, above the content and the sublayers.
    double borderWidth() const { return m_borderWidth; }
    void setBorderWidth(double w);

    // Rounds the background and border; with masksToBounds also the clip of the content.
    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double r);
    bool masksToBounds() const { return m_masksToBounds; }
    void setMasksToBounds(bool masks);

    // Clips the view and all its children to the mask's path (its filled area), even where
    // they stand outside the view's bounds. Mask geometry is in the view's bounds coordinates.
    const std::shared_ptr<ShapeLayer>& mask() const { return m_mask; }
    void setMask(std::shared_ptr<ShapeLayer> mask);

    // Free-standing layers only: bounds (origin usually 0, 0), position of the centre, and the
    // frame those give in the superlayer.
    Rect bounds() const { return m_bounds; }
    void setBounds(Rect b);
    Point position() const { return m_position; }
    void setPosition(Point p);
    Rect frame() const;
    void setFrame(Rect f);

    std::optional<Color> backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(std::optional<Color> c);
    bool isHidden() const { return m_hidden; }
    void setHidden(bool h);
    double opacity() const { return m_opacity; }
    void setOpacity(double o);

    // Drawn above the owning view's own drawing, in order, below its child views.
    void addSublayer(std::shared_ptr<Layer> layer);
    void removeFromSuperlayer();
    const std::vector<std::shared_ptr<Layer>>& sublayers() const { return m_sublayers; }
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

    double m_zPosition = 0;
    Color m_borderColor = Color::black();
    double m_borderWidth = 0;
    double m_cornerRadius = 0;
    bool m_masksToBounds = false;
    std::shared_ptr<ShapeLayer> m_mask;
    Rect m_bounds;
    Point m_position;
    std::optional<Color> m_backgroundColor;
    bool m_hidden = false;
    double m_opacity = 1;
    std::vector<std::shared_ptr<Layer>> m_sublayers;
    // Back-references read as nullptr once what they name is gone.
    core::WeakReference<Layer> m_superlayer; // also the masked layer, for a mask
    core::WeakReference<View> m_view;        // set for a view's own layer
    core::WeakAnchor<Layer> m_anchor { this };
};

}
