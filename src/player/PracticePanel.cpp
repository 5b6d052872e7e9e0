#include "player/PracticePanel.h"

#include "platform/core/Log.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "player/Overview.h"
#include "score/Readings.h"

#include <algorithm>
#include <cmath>

namespace player {

namespace {

constexpr int32_t kDefaultTrainerStart = 70;
constexpr int32_t kDefaultTrainerStep = 5;
constexpr int32_t kDefaultTrainerTarget = 100;
// The panel's toolbar sits at the bottom of the window: the panel rests on it.
constexpr double kToolbarHeight = 56;

// A field's number, or `fallback` when it holds none; clamped to lo..hi.
int32_t fieldValue(const ui::TextField* field, int32_t fallback, int32_t lo, int32_t hi)
{
    int32_t value = field ? score::intValue(field->text()) : 0;
    if (value <= 0)
        value = fallback;
    return std::clamp(value, lo, hi);
}

ui::Color trainerTint(bool on)
{
    return on ? ui::Color::rgba(0.20, 0.55, 0.90, 0.18) : ui::Color::clear();
}

// The trainer's switch: a framed button whose tint says whether it is on.
std::shared_ptr<ui::Button> makeTrainerButton()
{
    auto button = ui::Button::create(ui::ButtonType::System, ui::RectMake(484, 53, 72, 32));
    button->setTitle("Trainer");
    button->setTitleFont(ui::Font::systemFont(15));
    button->setAccessibilityIdentifier("trainer");
    button->layer().setCornerRadius(6);
    button->layer().setBorderColor(ui::Color::white(0.78, 1));
    button->layer().setBorderWidth(1);
    return button;
}

std::shared_ptr<ui::Label> makeCaption(ui::Rect frame, const char* text)
{
    auto caption = ui::Label::create(frame);
    caption->setText(text);
    caption->setFont(ui::Font::systemFont(13));
    caption->setTextColor(ui::Color::darkGray());
    return caption;
}

}

void PracticePanel::install(ui::View& root, std::weak_ptr<void> owner, Actions actions)
{
    m_actions = std::move(actions);
    double top = ui::Window::kHeight - kToolbarHeight - kHeight;
    m_panel = ui::View::create(ui::RectMake(0, top, ui::Window::kWidth, kHeight));
    m_panel->setBackgroundColor(ui::Color::white(0.97, 1));
    m_panel->setAccessibilityIdentifier("practicePanel");
    // Over the dimming panels and the key, under the toolbar.
    m_panel->layer().setZPosition(90);
    m_panel->setHidden(true);
    root.addSubview(m_panel);
    auto rule = ui::View::create(ui::RectMake(0, 0, ui::Window::kWidth, 1));
    rule->setBackgroundColor(ui::Color::white(0.78, 1));
    m_panel->addSubview(rule);

    m_overview = Overview::create(ui::RectMake(12, 9, ui::Window::kWidth - 24, 34));
    m_overview->setAccessibilityIdentifier("overview");
    m_overview->setOnTap([this, owner](int32_t bar) {
        if (owner.lock() && m_actions.jump)
            m_actions.jump(bar);
    });
    m_panel->addSubview(m_overview);

    m_position = ui::Label::create(ui::RectMake(12, 52, 190, 34));
    m_position->setFont(ui::Font::boldSystemFont(15));
    m_position->setAccessibilityIdentifier("position");
    m_panel->addSubview(m_position);

    installSpeed(owner);

    m_trainer = makeTrainerButton();
    m_trainer->addTarget(owner, [this](ui::Object*) { setTrainerOn(!m_trainerOn); }, ui::ControlEvent::TouchUpInside);
    m_panel->addSubview(m_trainer);
    m_trainerStart = addField("trainerStart", "from", "70", 562, 34);
    m_trainerStep = addField("trainerStep", "step", "5", 644, 32);
    m_trainerTarget = addField("trainerTarget", "to", "100", 724, 20);
    m_trainerAccuracy = addField("trainerAccuracy", "min %", "", 796, 40);

    // The sound controls' place: a row of their own.
    m_soundRoom = ui::View::create(ui::RectMake(12, 92, ui::Window::kWidth - 24, 36));
    m_soundRoom->setAccessibilityIdentifier("soundControls");
    m_panel->addSubview(m_soundRoom);
    m_playRoom = ui::View::create(ui::RectMake(12, 132, ui::Window::kWidth - 24, 36));
    m_playRoom->setAccessibilityIdentifier("playControls");
    m_panel->addSubview(m_playRoom);
    showSpeed();
}

void PracticePanel::installSpeed(const std::weak_ptr<void>& owner)
{
    m_panel->addSubview(makeCaption(ui::RectMake(206, 52, 46, 34), "Speed"));
    m_slider = ui::Slider::create(ui::RectMake(250, 53, 170, 32));
    m_slider->setMinimumValue(float(kMinSpeed));
    m_slider->setMaximumValue(float(kMaxSpeed));
    m_slider->setValue(float(m_speed));
    m_slider->setAccessibilityIdentifier("speed");
    m_slider->addTarget(owner, [this](ui::Object* sender) {
        if (auto* slider = dynamic_cast<ui::Slider*>(sender))
            setSpeed(int32_t(std::lround(slider->value())));
    }, ui::ControlEvent::ValueChanged);
    m_panel->addSubview(m_slider);
    m_speedLabel = ui::Label::create(ui::RectMake(424, 52, 54, 34));
    m_speedLabel->setFont(ui::Font::systemFont(15));
    m_speedLabel->setAccessibilityIdentifier("speedLabel");
    m_panel->addSubview(m_speedLabel);
}

std::shared_ptr<ui::TextField> PracticePanel::addField(const char* identifier, const char* caption, const char* text, double x,
    double captionWidth)
{
    m_panel->addSubview(makeCaption(ui::RectMake(x, 52, captionWidth, 34), caption));
    auto field = ui::TextField::create(ui::RectMake(x + captionWidth + 2, 53, 42, 32));
    field->setText(text);
    field->setFont(ui::Font::systemFont(15));
    field->setTextAlignment(ui::TextAlignment::Center);
    field->setAccessibilityIdentifier(identifier);
    m_panel->addSubview(field);
    return field;
}

void PracticePanel::release()
{
    if (m_panel)
        m_panel->removeFromSuperview();
    m_panel.reset();
    m_overview.reset();
    m_position.reset();
    m_slider.reset();
    m_soundRoom.reset();
    m_playRoom.reset();
    m_speedLabel.reset();
    m_trainer.reset();
    m_trainerStart.reset();
    m_trainerStep.reset();
    m_trainerTarget.reset();
    m_trainerAccuracy.reset();
}

bool PracticePanel::isOpen() const
{
    return m_panel && !m_panel->isHidden();
}

void PracticePanel::setOpen(bool open)
{
    if (!m_panel)
        return;
    // A trainer field being typed in loses the keys when its panel closes.
    if (!open) {
        for (auto* field : { m_trainerStart.get(), m_trainerStep.get(), m_trainerTarget.get(), m_trainerAccuracy.get() }) {
            if (field->isFirstResponder())
                field->resignFirstResponder();
        }
    }
    m_panel->setHidden(!open);
}

std::string PracticePanel::positionText(int32_t bar, int32_t bars, int32_t beat)
{
    return "Bar " + std::to_string(bar) + " / " + std::to_string(bars) + " \xC2\xB7 Beat " + std::to_string(beat);
}

void PracticePanel::showPosition(int32_t bar, int32_t bars, int32_t beat)
{
    if (!m_panel)
        return;
    std::string text = positionText(bar, bars, beat);
    if (m_position->text() != text)
        m_position->setText(std::move(text));
    m_overview->setBars(bars);
    m_overview->setCursor(bar);
}

void PracticePanel::showLoop(int32_t start, int32_t end)
{
    if (m_overview)
        m_overview->setLoop(start, end);
}

void PracticePanel::setSpeed(int32_t percent)
{
    percent = std::clamp(percent, kMinSpeed, kMaxSpeed);
    bool changed = percent != m_speed;
    m_speed = percent;
    showSpeed();
    if (changed && m_actions.speedChanged)
        m_actions.speedChanged(m_speed);
}

void PracticePanel::showSpeed()
{
    if (!m_panel)
        return;
    if (std::lround(m_slider->value()) != m_speed)
        m_slider->setValue(float(m_speed));
    m_speedLabel->setText(std::to_string(m_speed) + " %");
}

int32_t PracticePanel::trainerStart() const
{
    return fieldValue(m_trainerStart.get(), kDefaultTrainerStart, kMinSpeed, kMaxSpeed);
}

int32_t PracticePanel::trainerStep() const
{
    return fieldValue(m_trainerStep.get(), kDefaultTrainerStep, 1, kMaxSpeed - kMinSpeed);
}

int32_t PracticePanel::trainerTarget() const
{
    return fieldValue(m_trainerTarget.get(), kDefaultTrainerTarget, kMinSpeed, kMaxSpeed);
}

void PracticePanel::setTrainerOn(bool on)
{
    m_trainerOn = on;
    if (m_trainer) {
        m_trainer->setSelected(on);
        m_trainer->setBackgroundColor(trainerTint(on));
    }
    if (on)
        setSpeed(trainerStart());
}

std::optional<int32_t> PracticePanel::trainerAccuracy() const
{
    int32_t value = m_trainerAccuracy ? score::intValue(m_trainerAccuracy->text()) : 0;
    if (value <= 0)
        return std::nullopt;
    return std::min(value, 100);
}

void PracticePanel::passCompleted(std::optional<double> accuracy)
{
    if (!m_trainerOn)
        return;
    int32_t target = trainerTarget();
    if (m_speed >= target)
        return;
    if (auto required = trainerAccuracy(); required && accuracy && *accuracy * 100 + 1e-9 < double(*required)) {
        core::log("Trainer: %d %% of the notes hit, %d %% asked: the next pass stays at %d %%", int(std::lround(*accuracy * 100)), *required,
            m_speed);
        return;
    }
    setSpeed(std::min(m_speed + trainerStep(), target));
    core::log("Trainer: the next pass plays at %d %%", m_speed);
}

}
