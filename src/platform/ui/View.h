#pragma once
#include "platform/core/Object.h"
#include "platform/core/WeakReference.h"
#include "platform/ui/Color.h"
#include "platform/ui/Event.h"
#include "platform/ui/Forward.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Layer.h"

#include <nlohmann/json_fwd.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ui {

// A rectangle on screen with children. Its frame is in its parent's coordinates; its bounds
// origin shifts what its children show (a scroll view's offset). Views do not clip their
// children; a scroll view clips to its bounds and a view with a mask layer clips itself and its
// children to the mask's path. Children are drawn, and hit-tested in reverse, by layer
// zPosition, ties in child-list order.
//
// Setters never draw: they record the value and mark the window for display (and layout).
class View : public Object, public std::enable_shared_from_this<View> {
public:
    static std::shared_ptr<View> create(Rect frame = {});
    ~View() override;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Geometry.
    Rect frame() const { return m_frame; }
    void setFrame(Rect frame);
    Rect bounds() const { return { boundsOrigin(), m_frame.size }; }
    void setBounds(Rect bounds);
    Point center() const { return m_frame.center(); }
    void setCenter(Point center);

    // Appearance.
    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden);
    double alpha() const { return m_alpha; }
    void setAlpha(double alpha);
    std::optional<Color> backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(std::optional<Color> color);
    Layer& layer() { return m_layer; }
    const Layer& layer() const { return m_layer; }

    // Identity.
    int tag() const { return m_tag; }
    void setTag(int tag);
    const std::string& accessibilityIdentifier() const;
    void setAccessibilityIdentifier(std::string identifier);

    bool isUserInteractionEnabled() const { return m_userInteractionEnabled; }
    void setUserInteractionEnabled(bool enabled);

    // Hierarchy. A view has at most one parent; adding it elsewhere moves it.
    void addSubview(std::shared_ptr<View> view);
    // Room for this many children, so a strip of many rows grows its list once.
    void reserveSubviews(size_t count) { m_subviews.reserve(count); }
    void insertSubview(std::shared_ptr<View> view, size_t index);
    // Many children at once, each before the child now at its index (indexes ascending; equal
    // ones keep their order): one pass over the list however many come.
    void insertSubviews(std::vector<std::pair<size_t, std::shared_ptr<View>>> placed);
    void removeFromSuperview();
    // Move a child to the front (back of drawing) or the end (front of drawing) of the child list.
    void sendSubviewToBack(View* view);
    void bringSubviewToFront(View* view);
    const std::vector<std::shared_ptr<View>>& subviews() const { return m_subviews; }
    std::shared_ptr<View> superview() const;
    View* superviewPointer() const { return m_superview.get(); }
    bool isDescendantOfView(const View* view) const;

    // The receiver if its tag matches, else the first match depth-first in child-list order.
    // A child still deferred (below) is made when it holds the tag.
    std::shared_ptr<View> viewWithTag(int tag);

    // A view may describe children it has not made yet, making them as they come into sight (a
    // long strip makes the rows near its visible part). These make them for those who need
    // them out of sight: every one, for a caller listing the whole tree, or the one holding a
    // tag (true when one was made). Nothing to make by default.
    virtual void makeDeferredSubviews() { }
    virtual bool makeDeferredSubviewWithTag(int tag)
    {
        (void)tag;
        return false;
    }
    std::shared_ptr<View> viewWithAccessibilityIdentifier(const std::string& identifier);

    // Between coordinate spaces; nullptr means the window's.
    Point convertPoint(Point point, const View* toView) const;
    Point convertPointFromView(Point point, const View* fromView) const;
    Rect convertRect(Rect rect, const View* toView) const;
    // The frame in window coordinates.
    Rect windowFrame() const;
    // The window showing this view, if any.
    Window* window() const;

    // Layout: marks the view; the window calls layoutSubviews before it next draws.
    void setNeedsLayout();
    bool needsLayout() const { return m_needsLayout; }
    void layoutIfNeeded();
    virtual void layoutSubviews() { }
    // The size the view would like (labels: their text); the current size by default.
    virtual Size sizeThatFits(Size size) const;
    void sizeToFit();

    // The view's content must be made again: drawRect runs before the next frame (and the
    // window redraws). Property setters do not need this; they mark the window themselves.
    void setNeedsDisplay();
    // Runs once when the view is first laid out in a window, and again after each
    // setNeedsDisplay(), before drawing; it may change the view's layers (a dotted line adds its
    // dash layer here). Nothing by default.
    virtual void drawRect(Rect rect) { (void)rect; }
    // Painting in bounds coordinates, on every frame the view shows: paint only, never change
    // the tree here. The renderer draws the background and border from the layer; this draws
    // the content between them.
    virtual void draw(Painter& painter, Rect dirty);

    // Touches. `point` is in the receiver's bounds coordinates.
    virtual bool pointInside(Point point) const;
    // The deepest view under `point` that takes touches, front to back in drawing order:
    // hidden views, views with alpha below 0.01 and views with interaction disabled take none.
    virtual View* hitTest(Point point);
    virtual void touchesBegan(const Touch& touch);
    virtual void touchesMoved(const Touch& touch);
    virtual void touchesEnded(const Touch& touch);
    virtual void touchesCancelled(const Touch& touch);

    void addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer);
    void removeGestureRecognizer(GestureRecognizer* recognizer);
    const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const { return m_gestureRecognizers; }

    // Animations of alpha and frame (and a scroll view's offset) made inside `changes`, from
    // the values before to the values after, advancing with the main run loop's clock. The
    // properties take their in-between values as the animation runs; `completion` runs exactly
    // once, with false when a later change to the same property cut the animation short.
    static void animateWithDuration(double seconds, std::function<void()> changes, std::function<void(bool finished)> completion = {});
    static void animateWithDuration(double seconds, double delay, std::function<void()> changes, std::function<void(bool finished)> completion);

    // For the dump: the class name and its class-specific keys.
    virtual std::string className() const { return "View"; }
    virtual void describe(nlohmann::json& out) const;

    // For the renderer. Children in drawing order (zPosition, ties in child-list order).
    const std::vector<View*>& subviewsInDrawingOrder() const;
    // Children, in drawing order, whose drawing may reach into `rect` (bounds coordinates).
    // Conservative; large child lists answer from a spatial index rather than a scan.
    void subviewsIntersecting(Rect rect, std::vector<View*>& out) const;
    // How far this view and its descendants may draw, in the parent's coordinates.
    Rect drawingExtentInSuperview() const;
    // Whether the view clips its children to its bounds (scroll views, masksToBounds).
    virtual bool clipsToBounds() const { return m_layer.masksToBounds(); }
    // How far the view's own drawing reaches in bounds coordinates (text may overflow a label).
    virtual Rect contentExtent() const { return bounds(); }
    // A hint that the view paints in draw(); the renderer calls draw() on every shown view anyway.
    virtual bool hasCustomDrawing() const { return false; }

protected:
    explicit View(Rect frame);
    // Something that shows changed: the window draws again where this view (and its subtree)
    // shows. Setters that move or hide the view also call it before the change, so the area it
    // leaves is drawn again too.
    void invalidateDisplay();
    // Drop cached extents up the tree after geometry that affects drawing changed.
    void invalidateExtent();

    // Animation plumbing: apply without ending a running animation.
    friend class Animation;
    void applyAnimatedAlpha(double alpha);
    void applyAnimatedFrame(Rect frame);
    virtual void applyAnimatedBoundsOrigin(Point origin);

    virtual void didMoveToSuperview() { }
    virtual void didAddSubview(View*) { }

private:
    friend class Layer;
    friend class Window;
    struct SpatialIndex;
    // Child lists at least this long are culled, and hit-tested, through a spatial index instead
    // of a scan.
    static constexpr size_t kIndexThreshold = 48;

    // What few views use, made on first need: a scroll offset, an identifier, a host window,
    // the caches of a view with children, running animations. A strip of many thousands of rows
    // keeps most of its views to the fields below this struct.
    struct Rare {
        Rare();
        ~Rare();
        Point boundsOrigin;
        std::string accessibilityIdentifier;
        core::WeakReference<Window> hostWindow; // set on the views a window shows at its top level
        // Children in drawing order, kept while valid.
        std::vector<View*> drawingOrder;
        std::unique_ptr<SpatialIndex> index;
        // Tags of the subtree, first match in search order, built once a view is asked repeatedly
        // (the player looks beats up by tag from its root view); dropped on any change below.
        std::unique_ptr<std::unordered_map<int, View*>> tagIndex;
        unsigned tagLookups = 0;
        // Running animations by property, so a later one takes over (weak: the run loop owns them).
        std::weak_ptr<Animation> alphaAnimation, frameAnimation, boundsAnimation;
    };
    Rare& rare() const;
    Point boundsOrigin() const { return m_rare ? m_rare->boundsOrigin : Point {}; }
    Window* hostWindow() const { return m_rare ? m_rare->hostWindow.get() : nullptr; }

    void setFrameInternal(Rect frame);
    // Damage: `extent` (in the superview's coordinates) as far as it shows in the window.
    void damageArea(Rect extent) const;
    // Whether this view and every ancestor show, in a window.
    bool isShownInWindow() const;
    // One uniform fill and nothing else: moving it changes only the area it enters or leaves.
    bool paintsPlainFill() const;
    void invalidateOrder();
    void invalidateTagIndex();
    void markSubtreeNeedsLayout();
    void detachFromSuperview();
    Rect computeSubtreeExtent() const;
    void buildSpatialIndex() const;
    // The first view with the tag, depth first, through any index on the way.
    View* findWithTag(int tag);
    // Asks this view and those below it to make a deferred child holding the tag.
    bool makeDeferredWithTag(int tag);

    Rect m_frame;
    double m_alpha = 1;
    std::optional<Color> m_backgroundColor;
    Layer m_layer;
    int m_tag = 0;
    bool m_hidden = false;
    bool m_userInteractionEnabled = true;
    bool m_needsLayout = true;
    bool m_needsDrawRect = true;
    bool m_subtreeNeedsLayout = true;
    mutable bool m_drawingOrderValid = false;
    mutable bool m_extentValid = false;

    std::vector<std::shared_ptr<View>> m_subviews;
    // Back-references read as nullptr once what they name is gone.
    core::WeakReference<View> m_superview;
    core::WeakAnchor<View> m_anchor { this };
    // A beat button has its long press.
    std::vector<std::shared_ptr<GestureRecognizer>> m_gestureRecognizers;

    // How far the view and its children draw, in bounds coordinates (valid with m_extentValid).
    mutable Rect m_subtreeExtent;
    mutable std::unique_ptr<Rare> m_rare;
};

}
