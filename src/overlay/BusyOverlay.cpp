#include "overlay/BusyOverlay.h"

#include "overlay/OverlayLayout.h"

#include "platform/core/Dispatch.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/Label.h"
#include "platform/ui/Painter.h"

namespace overlay {

namespace {

bool isMainThread()
{
    return &core::RunLoop::current() == &core::RunLoop::main();
}

double now()
{
    return core::RunLoop::main().now();
}

}

std::shared_ptr<BusyOverlay> BusyOverlay::showAddedTo(const std::shared_ptr<ui::View>& host, ui::Animated animated)
{
    auto overlay = create(host);
    if (host)
        host->addSubview(overlay);
    overlay->show(animated);
    return overlay;
}

std::shared_ptr<BusyOverlay> BusyOverlay::create(const std::shared_ptr<ui::View>& host)
{
    return create(host ? host->bounds() : ui::Rect {});
}

std::shared_ptr<BusyOverlay> BusyOverlay::create(ui::Rect frame)
{
    return std::shared_ptr<BusyOverlay>(new BusyOverlay(frame));
}

BusyOverlay::BusyOverlay(ui::Rect frame)
    : View(frame)
{
    // The properties took their initial values above, in declaration order. It covers its host
    // but starts invisible; show() fades it in.
    setBackgroundColor(ui::Color::clear());
    setAlpha(0);
    setAccessibilityIdentifier("busyOverlay");
    setUpSubviews();
}

BusyOverlay::~BusyOverlay() = default;

void BusyOverlay::setUpSubviews()
{
    auto makeLabel = [this](const ui::Font& font, ui::Color color, const std::string& text) {
        auto label = ui::Label::create();
        label->setTextAlignment(ui::TextAlignment::Center);
        label->setBackgroundColor(ui::Color::clear());
        label->setTextColor(color);
        label->setFont(font);
        label->setText(text);
        addSubview(label);
        return label;
    };
    m_label = makeLabel(m_labelFont, m_labelColor, m_labelText);
    m_detailsLabel = makeLabel(m_detailsLabelFont, m_detailsLabelColor, m_detailsLabelText);
    m_detailsLabel->setNumberOfLines(0);
    updateIndicators();
}

void BusyOverlay::updateIndicators()
{
    if (m_mode == Indeterminate) {
        auto spinner = std::dynamic_pointer_cast<ui::ActivityIndicator>(m_indicator);
        if (!spinner) {
            if (m_indicator)
                m_indicator->removeFromSuperview();
            spinner = ui::ActivityIndicator::create(ui::ActivityIndicatorStyle::WhiteLarge);
            spinner->startAnimating();
            addSubview(spinner);
            m_indicator = spinner;
        }
        spinner->setColor(m_activityIndicatorColor);
        return;
    }
    // The progress and custom-view modes are not built: like the text mode they show the labels
    // alone.
    if (m_indicator) {
        m_indicator->removeFromSuperview();
        m_indicator.reset();
    }
}

void BusyOverlay::updateLabels()
{
    m_label->setText(m_labelText);
    m_label->setFont(m_labelFont);
    m_label->setTextColor(m_labelColor);
    m_detailsLabel->setText(m_detailsLabelText);
    m_detailsLabel->setFont(m_detailsLabelFont);
    m_detailsLabel->setTextColor(m_detailsLabelColor);
}

void BusyOverlay::onMainThread(std::function<void(BusyOverlay&)> change)
{
    if (isMainThread()) {
        change(*this);
        return;
    }
    std::weak_ptr<View> weak = weak_from_this();
    dispatch::mainQueue().async([weak, change = std::move(change)] {
        if (auto strong = weak.lock())
            change(static_cast<BusyOverlay&>(*strong));
    });
}

void BusyOverlay::propertiesChanged()
{
    setNeedsLayout();
    setNeedsDisplay();
}

// Observed properties: applied on the main thread, then laid out and drawn again.

template<typename T>
void BusyOverlay::setObserved(T BusyOverlay::*field, T value, void (BusyOverlay::*update)())
{
    onMainThread([field, update, value = std::move(value)](BusyOverlay& o) {
        if (o.*field == value)
            return;
        o.*field = value;
        (o.*update)();
        o.propertiesChanged();
    });
}

void BusyOverlay::setMode(int mode)
{
    setObserved(&BusyOverlay::m_mode, mode, &BusyOverlay::updateIndicators);
}

void BusyOverlay::setActivityIndicatorColor(ui::Color color)
{
    setObserved(&BusyOverlay::m_activityIndicatorColor, color, &BusyOverlay::updateIndicators);
}

void BusyOverlay::setLabelText(std::string text)
{
    setObserved(&BusyOverlay::m_labelText, std::move(text), &BusyOverlay::updateLabels);
}

void BusyOverlay::setDetailsLabelText(std::string text)
{
    setObserved(&BusyOverlay::m_detailsLabelText, std::move(text), &BusyOverlay::updateLabels);
}

void BusyOverlay::setLabelFont(ui::Font font)
{
    setObserved(&BusyOverlay::m_labelFont, std::move(font), &BusyOverlay::updateLabels);
}

void BusyOverlay::setLabelColor(ui::Color color)
{
    setObserved(&BusyOverlay::m_labelColor, color, &BusyOverlay::updateLabels);
}

void BusyOverlay::setDetailsLabelFont(ui::Font font)
{
    setObserved(&BusyOverlay::m_detailsLabelFont, std::move(font), &BusyOverlay::updateLabels);
}

void BusyOverlay::setDetailsLabelColor(ui::Color color)
{
    setObserved(&BusyOverlay::m_detailsLabelColor, color, &BusyOverlay::updateLabels);
}

// Geometry and look: main thread; they take effect at the next layout and drawing.

void BusyOverlay::setOpacity(float opacity)
{
    m_opacity = opacity;
    setNeedsDisplay();
}

void BusyOverlay::setColor(std::optional<ui::Color> color)
{
    m_color = color;
    setNeedsDisplay();
}

void BusyOverlay::setXOffset(float offset)
{
    m_xOffset = offset;
    propertiesChanged();
}

void BusyOverlay::setYOffset(float offset)
{
    m_yOffset = offset;
    propertiesChanged();
}

void BusyOverlay::setDimBackground(bool dim)
{
    m_dimBackground = dim;
    setNeedsDisplay();
}

void BusyOverlay::setMargin(float margin)
{
    m_margin = margin;
    propertiesChanged();
}

void BusyOverlay::setCornerRadius(float radius)
{
    m_cornerRadius = radius;
    setNeedsDisplay();
}

void BusyOverlay::setMinSize(ui::Size size)
{
    m_minSize = size;
    propertiesChanged();
}

void BusyOverlay::setSquare(bool square)
{
    m_square = square;
    propertiesChanged();
}

// Showing and hiding.

void BusyOverlay::show(ui::Animated animated)
{
    m_useAnimation = animated == ui::Animated::Yes;
    // A show request makes the overlay busy; hiding before the grace time ends means it never
    // appears at all.
    m_taskInProgress = true;
    m_isFinished = false;
    if (m_graceTime > 0) {
        if (m_graceTimer)
            m_graceTimer->invalidate();
        auto self = std::static_pointer_cast<BusyOverlay>(shared_from_this());
        m_graceTimer = core::Timer::scheduledTimerWithTimeInterval(m_graceTime, self, &BusyOverlay::handleGraceTimer);
        return;
    }
    setNeedsDisplay();
    showUsingAnimation(m_useAnimation);
}

void BusyOverlay::handleGraceTimer(core::Object*)
{
    m_graceTimer.reset();
    if (!m_taskInProgress)
        return;
    setNeedsDisplay();
    showUsingAnimation(m_useAnimation);
}

void BusyOverlay::showUsingAnimation(bool animated)
{
    m_transition++;
    if (auto spinner = std::dynamic_pointer_cast<ui::ActivityIndicator>(m_indicator))
        spinner->startAnimating();
    m_showStarted = now();
    if (animated)
        View::animateWithDuration(kAnimationDuration, [this] { setAlpha(1.0); });
    else
        setAlpha(1.0);
}

void BusyOverlay::hide(ui::Animated animated)
{
    m_useAnimation = animated == ui::Animated::Yes;
    if (m_minShowTime > 0 && m_showStarted) {
        double shown = now() - *m_showStarted;
        if (shown < m_minShowTime) {
            if (m_minShowTimer)
                m_minShowTimer->invalidate();
            auto self = std::static_pointer_cast<BusyOverlay>(shared_from_this());
            m_minShowTimer = core::Timer::scheduledTimerWithTimeInterval(m_minShowTime - shown, self, &BusyOverlay::handleMinShowTimer);
            return;
        }
    }
    hideUsingAnimation(m_useAnimation);
}

void BusyOverlay::handleMinShowTimer(core::Object*)
{
    m_minShowTimer.reset();
    hideUsingAnimation(m_useAnimation);
}

void BusyOverlay::hideUsingAnimation(bool animated)
{
    uint64_t transition = ++m_transition;
    if (animated && m_showStarted) {
        // The fade holds the overlay until it has run, as the platform's animations hold their delegate.
        auto self = std::static_pointer_cast<BusyOverlay>(shared_from_this());
        View::animateWithDuration(kAnimationDuration, [this] { setAlpha(0.02); }, [self, transition](bool) {
            // A show that came in during the fade owns the overlay now.
            if (self->m_transition == transition)
                self->done();
        });
    } else {
        setAlpha(0);
        done();
    }
    m_showStarted.reset();
}

void BusyOverlay::cancelTimers()
{
    if (m_graceTimer) {
        m_graceTimer->invalidate();
        m_graceTimer.reset();
    }
    if (m_minShowTimer) {
        m_minShowTimer->invalidate();
        m_minShowTimer.reset();
    }
}

void BusyOverlay::done()
{
    cancelTimers();
    m_taskInProgress = false;
    if (m_isFinished)
        return;
    m_isFinished = true;
    // Leaving the host may drop the last other reference; the callbacks below still need us.
    auto self = std::static_pointer_cast<BusyOverlay>(shared_from_this());
    setAlpha(0.0);
    // A hidden overlay that stays on its host should not keep a timer ticking for nobody.
    if (auto spinner = std::dynamic_pointer_cast<ui::ActivityIndicator>(m_indicator))
        spinner->stopAnimating();
    if (m_removeFromSuperViewOnHide)
        removeFromSuperview();
    if (m_completionBlock) {
        auto block = std::move(m_completionBlock);
        m_completionBlock = nullptr;
        block();
    }
    if (auto delegate = m_delegate.lock())
        delegate->overlayWasHidden(this);
}

// Layout and drawing.

void BusyOverlay::layoutSubviews()
{
    if (auto host = superview()) {
        if (!(frame() == host->bounds()))
            setFrame(host->bounds());
    }
    OverlayLayout::Input input;
    input.area = bounds().size;
    input.margin = m_margin;
    input.padding = kPadding;
    if (m_indicator)
        input.indicator = m_indicator->bounds().size;
    if (!m_labelText.empty())
        input.label = m_labelFont.sizeOfText(m_labelText);
    if (!m_detailsLabelText.empty())
        input.details = ui::Label::sizeOfWrappedText(m_detailsLabelText, m_detailsLabelFont, input.area.width - 4 * m_margin, 0);
    input.square = m_square;
    input.minSize = m_minSize;
    input.offset = { m_xOffset, m_yOffset };

    const OverlayLayout::Frames frames = OverlayLayout::layout(input);
    m_size = frames.box;
    if (m_indicator)
        m_indicator->setFrame(frames.indicator);
    m_label->setFrame(frames.label);
    m_detailsLabel->setFrame(frames.details);
}

ui::Rect BusyOverlay::boxRect() const
{
    return OverlayLayout::boxRect(bounds().size, m_size, { m_xOffset, m_yOffset });
}

void BusyOverlay::draw(ui::Painter& painter, ui::Rect)
{
    const ui::Rect box = boxRect();
    if (box.width() <= 0 || box.height() <= 0)
        return;
    painter.fillPath(OverlayLayout::outline(box, m_cornerRadius), m_color ? *m_color : ui::Color::black().withAlpha(m_opacity));
}

}
