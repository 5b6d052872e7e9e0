#pragma once
#include "platform/ui/Geometry.h"

#include <functional>
#include <memory>
#include <vector>

namespace core {
class Timer;
}

namespace ui {

class View;

enum class AnimatedProperty { Alpha, Frame, BoundsOrigin };

// One running view animation: tracks of (view, property, from, to), stepped about 60 times a
// second by a timer on the main run loop until the duration has passed on its clock; then the
// final values are set and the completion runs, once. The timer keeps the animation alive.
//
// View::animateWithDuration is the way in; the kit's own controls (scroll offsets, presenting
// screens) start animations directly.
class Animation : public std::enable_shared_from_this<Animation> {
public:
    using Completion = std::function<void(bool finished)>;

    struct Track {
        std::shared_ptr<View> view;
        AnimatedProperty property;
        double from[4];
        double to[4];
        bool active = true;
    };

    // Empty tracks: the completion still runs (finished) after the duration.
    static std::shared_ptr<Animation> start(double duration, double delay, std::vector<Track> tracks, Completion completion);

    // While `changes` runs, alpha and frame setters record tracks instead of ending here.
    static std::shared_ptr<Animation> animate(double duration, double delay, const std::function<void()>& changes, Completion completion);
    // True inside the `changes` of animate(): setters then call record().
    static bool isRecording();
    static void record(View& view, AnimatedProperty property, const double from[4], const double to[4]);

    // Drop one property of one view (it was set directly or by a newer animation); the
    // animation ends unfinished when nothing is left.
    void removeTrack(const View* view, AnimatedProperty property);
    // Jump to the end now.
    void finish();
    bool isRunning() const { return m_running; }
    double duration() const { return m_duration; }

    // Ease in and out, as the platform's default curve.
    static double ease(double t);

private:
    Animation() = default;
    static std::shared_ptr<Animation> start(double duration, double delay, std::vector<Track> tracks, Completion completion, std::shared_ptr<Animation> animation);
    void armTimer(double fireDate);
    void step();
    void apply(double progress);
    void end(bool finished);
    void claim();
    void dropTrack(const View* view, AnimatedProperty property);
    void endIfEmpty();

    std::vector<Track> m_tracks;
    Completion m_completion;
    double m_startTime = 0;
    double m_duration = 0;
    bool m_running = false;
    std::shared_ptr<core::Timer> m_timer;
};

}
