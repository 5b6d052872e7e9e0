#pragma once
#include "platform/ui/Color.h"
#include "platform/ui/Event.h"
#include "platform/ui/Font.h"
#include "platform/ui/View.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace core {
class Timer;
}

namespace ui {
class Label;
}

namespace overlay {

class BusyOverlay;

class BusyOverlayDelegate {
public:
    virtual ~BusyOverlayDelegate() = default;
    // The overlay has finished hiding.
    virtual void overlayWasHidden(BusyOverlay* overlay) = 0;
};

// A view laid over a host while a long task runs: over the host's whole area, a rounded
// translucent box in the centre holding a spinner and a one-line label. It fades in on show()
// and out on hide(); a grace time delays the showing and a minimum show time delays the hiding.
// When hidden it stays a child of its host at alpha 0 unless removeFromSuperViewOnHide is set.
//
// Main thread only, except the observed setters (mode, label and details texts, fonts and
// colours, indicator colour), which forward themselves to the main thread.
class BusyOverlay : public ui::View {
public:
    enum Mode : int {
        Indeterminate = 0, // the spinner
        Determinate = 1,
        DeterminateHorizontalBar = 2,
        AnnularDeterminate = 3,
        CustomView = 4,
        Text = 5,
    };
    static constexpr double kAnimationDuration = 0.3;
    // Space between the indicator, the label and the details label.
    static constexpr double kPadding = 4;

    // Over the host's bounds, added as the host's last child, then shown.
    static std::shared_ptr<BusyOverlay> showAddedTo(const std::shared_ptr<ui::View>& host, ui::Animated animated);
    // Hidden (alpha 0), framed to the host's bounds; not added to it.
    static std::shared_ptr<BusyOverlay> create(const std::shared_ptr<ui::View>& host);
    static std::shared_ptr<BusyOverlay> create(ui::Rect frame);
    ~BusyOverlay() override;

    void show(ui::Animated animated);
    void hide(ui::Animated animated);

    // Properties, in the order the initialiser sets them.
    int animationType() const { return m_animationType; }
    void setAnimationType(int type) { m_animationType = type; }
    int mode() const { return m_mode; }
    void setMode(int mode);
    const std::string& labelText() const { return m_labelText; }
    void setLabelText(std::string text);
    const std::string& detailsLabelText() const { return m_detailsLabelText; }
    void setDetailsLabelText(std::string text);
    float opacity() const { return m_opacity; }
    void setOpacity(float opacity);
    std::optional<ui::Color> color() const { return m_color; }
    void setColor(std::optional<ui::Color> color);
    const ui::Font& labelFont() const { return m_labelFont; }
    void setLabelFont(ui::Font font);
    ui::Color labelColor() const { return m_labelColor; }
    void setLabelColor(ui::Color color);
    const ui::Font& detailsLabelFont() const { return m_detailsLabelFont; }
    void setDetailsLabelFont(ui::Font font);
    ui::Color detailsLabelColor() const { return m_detailsLabelColor; }
    void setDetailsLabelColor(ui::Color color);
    ui::Color activityIndicatorColor() const { return m_activityIndicatorColor; }
    void setActivityIndicatorColor(ui::Color color);
    float xOffset() const { return m_xOffset; }
    void setXOffset(float offset);
    float yOffset() const { return m_yOffset; }
    void setYOffset(float offset);
    bool dimBackground() const { return m_dimBackground; }
    void setDimBackground(bool dim);
    float margin() const { return m_margin; }
    void setMargin(float margin);
    float cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(float radius);
    float graceTime() const { return m_graceTime; }
    void setGraceTime(float seconds) { m_graceTime = seconds; }
    float minShowTime() const { return m_minShowTime; }
    void setMinShowTime(float seconds) { m_minShowTime = seconds; }
    bool removeFromSuperViewOnHide() const { return m_removeFromSuperViewOnHide; }
    void setRemoveFromSuperViewOnHide(bool remove) { m_removeFromSuperViewOnHide = remove; }
    ui::Size minSize() const { return m_minSize; }
    void setMinSize(ui::Size size);
    bool isSquare() const { return m_square; }
    void setSquare(bool square);
    const std::function<void()>& completionBlock() const { return m_completionBlock; }
    void setCompletionBlock(std::function<void()> block) { m_completionBlock = std::move(block); }
    std::shared_ptr<BusyOverlayDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<BusyOverlayDelegate> delegate) { m_delegate = std::move(delegate); }

    // State.
    // The box's size from the last layout.
    ui::Size size() const { return m_size; }
    // The box in the overlay's bounds, as drawn.
    ui::Rect boxRect() const;
    bool isFinished() const { return m_isFinished; }
    bool taskInProgress() const { return m_taskInProgress; }
    // Since when the overlay shows (main run loop clock); none while hidden.
    std::optional<double> showStarted() const { return m_showStarted; }
    const std::shared_ptr<ui::View>& indicator() const { return m_indicator; }
    const std::shared_ptr<ui::Label>& label() const { return m_label; }
    const std::shared_ptr<ui::Label>& detailsLabel() const { return m_detailsLabel; }

    void layoutSubviews() override;
    void draw(ui::Painter& painter, ui::Rect dirty) override;
    bool hasCustomDrawing() const override { return true; }
    std::string className() const override { return "BusyOverlay"; }

private:
    explicit BusyOverlay(ui::Rect frame);
    void setUpSubviews();
    void updateIndicators();
    void updateLabels();
    // Applies `change` now on the main thread, else posts it there for as long as the overlay lives.
    void onMainThread(std::function<void(BusyOverlay&)> change);
    void propertiesChanged();
    // An observed property: set on the main thread; when it changed, `update` refreshes the
    // subviews and the overlay is laid out and drawn again.
    template<typename T>
    void setObserved(T BusyOverlay::*field, T value, void (BusyOverlay::*update)());

    void showUsingAnimation(bool animated);
    void hideUsingAnimation(bool animated);
    void handleGraceTimer(core::Object* sender);
    void handleMinShowTimer(core::Object* sender);
    void done();
    void cancelTimers();

    int m_animationType = 0;
    int m_mode = Indeterminate;
    std::string m_labelText;
    std::string m_detailsLabelText;
    float m_opacity = 0.8f;
    std::optional<ui::Color> m_color;
    ui::Font m_labelFont = ui::Font::boldSystemFont(16);
    ui::Color m_labelColor = ui::Color::white();
    ui::Font m_detailsLabelFont = ui::Font::boldSystemFont(12);
    ui::Color m_detailsLabelColor = ui::Color::white();
    ui::Color m_activityIndicatorColor = ui::Color::white();
    float m_xOffset = 0;
    float m_yOffset = 0;
    bool m_dimBackground = false;
    float m_margin = 20;
    float m_cornerRadius = 10;
    float m_graceTime = 0;
    float m_minShowTime = 0;
    bool m_removeFromSuperViewOnHide = false;
    ui::Size m_minSize;
    bool m_square = false;
    std::function<void()> m_completionBlock;
    std::weak_ptr<BusyOverlayDelegate> m_delegate;

    std::shared_ptr<ui::View> m_indicator;
    std::shared_ptr<ui::Label> m_label;
    std::shared_ptr<ui::Label> m_detailsLabel;
    ui::Size m_size;
    std::optional<double> m_showStarted;
    bool m_isFinished = false;
    bool m_taskInProgress = false;
    bool m_useAnimation = false;
    std::shared_ptr<core::Timer> m_graceTimer;
    std::shared_ptr<core::Timer> m_minShowTimer;
    // Counts show and hide requests, so a fade that a later request overtook does not finish.
    uint64_t m_transition = 0;
};

}
