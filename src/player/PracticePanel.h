#pragma once
#include "platform/ui/Geometry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ui {
class Button;
class Label;
class Slider;
class TextField;
class View;
}

namespace player {

class Overview;

// The practice panel at the bottom of the strip, closed until asked for: where the cursor is
// (readout and overview), how fast the song plays (speed in percent of the written tempi) and
// the speed trainer, which raises the speed after every completed pass of the repeated bars (when
// asked, only after a pass played along at least that accurately). Its second row holds the sound
// controls, the third those of playing along.
class PracticePanel {
public:
    struct Actions {
        // A tap on the overview picked this bar (from 1).
        std::function<void(int32_t bar)> jump;
        // The speed changed (slider, keys or trainer).
        std::function<void(int32_t percent)> speedChanged;
    };

    // Makes the panel's views into `root`, closed; `owner` keeps the controls' actions alive.
    void install(ui::View& root, std::weak_ptr<void> owner, Actions actions);
    void release();

    bool isOpen() const;
    void setOpen(bool open);

    // Shows "Bar 7 / 16 · Beat 2" and moves the overview's cursor.
    void showPosition(int32_t bar, int32_t bars, int32_t beat);
    // The repeated bars on the overview; start 0 for none.
    void showLoop(int32_t start, int32_t end);

    int32_t speed() const { return m_speed; }
    // Clamped to kMinSpeed..kMaxSpeed; moves the slider and label and tells speedChanged when the
    // speed changed.
    void setSpeed(int32_t percent);
    void stepSpeed(int32_t by) { setSpeed(m_speed + by); }

    // The trainer: switched on, the speed starts at its start percent.
    bool trainerOn() const { return m_trainerOn; }
    void setTrainerOn(bool on);
    int32_t trainerStart() const;
    int32_t trainerStep() const;
    int32_t trainerTarget() const;
    // The accuracy in percent a pass must reach before the trainer raises the speed; none (the
    // field empty or 0) by default.
    std::optional<int32_t> trainerAccuracy() const;
    // One pass of the repeated bars is complete: with the trainer on, the speed rises by the step
    // up to the target, never past it. With an accuracy required, a pass whose notes were played
    // less accurately than that (`accuracy` 0 to 1, none when it had no notes to play) keeps the speed.
    void passCompleted(std::optional<double> accuracy = std::nullopt);

    static std::string positionText(int32_t bar, int32_t bars, int32_t beat);

    static constexpr int32_t kMinSpeed = 25;
    static constexpr int32_t kMaxSpeed = 200;
    static constexpr int32_t kSpeedStep = 5;
    static constexpr double kHeight = 176;

    const std::shared_ptr<ui::View>& view() const { return m_panel; }
    const std::shared_ptr<Overview>& overview() const { return m_overview; }
    const std::shared_ptr<ui::Slider>& speedSlider() const { return m_slider; }
    // The row of the sound controls, under the speed row.
    const std::shared_ptr<ui::View>& soundRoom() const { return m_soundRoom; }
    // The row of the play-along controls, under the sound row.
    const std::shared_ptr<ui::View>& playRoom() const { return m_playRoom; }

private:
    void showSpeed();
    void installSpeed(const std::weak_ptr<void>& owner);
    std::shared_ptr<ui::TextField> addField(const char* identifier, const char* caption, const char* text, double x, double captionWidth);

    Actions m_actions;
    int32_t m_speed = 100;
    bool m_trainerOn = false;
    std::shared_ptr<ui::View> m_panel;
    std::shared_ptr<Overview> m_overview;
    std::shared_ptr<ui::Label> m_position;
    std::shared_ptr<ui::Slider> m_slider;
    std::shared_ptr<ui::View> m_soundRoom;
    std::shared_ptr<ui::View> m_playRoom;
    std::shared_ptr<ui::Label> m_speedLabel;
    std::shared_ptr<ui::Button> m_trainer;
    std::shared_ptr<ui::TextField> m_trainerStart;
    std::shared_ptr<ui::TextField> m_trainerStep;
    std::shared_ptr<ui::TextField> m_trainerTarget;
    std::shared_ptr<ui::TextField> m_trainerAccuracy;
};

}
