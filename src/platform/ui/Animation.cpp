#include "platform/ui/Animation.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"
#include "platform/ui/View.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {
constexpr double kFrameInterval = 1.0 / 60;
// The animation whose `changes` block is running (main thread only, like every view call).
Animation* g_recording = nullptr;

double lerp(double a, double b, double t)
{
    return t >= 1 ? b : a + (b - a) * t;
}
}

double Animation::ease(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

bool Animation::isRecording()
{
    return g_recording != nullptr;
}

void Animation::record(View& view, AnimatedProperty property, const double from[4], const double to[4])
{
    if (!g_recording)
        return;
    for (auto& track : g_recording->m_tracks) {
        if (track.view.get() == &view && track.property == property) {
            std::copy(to, to + 4, track.to);
            return;
        }
    }
    Track track { view.shared_from_this(), property, {}, {}, true };
    std::copy(from, from + 4, track.from);
    std::copy(to, to + 4, track.to);
    g_recording->m_tracks.push_back(std::move(track));
}

std::shared_ptr<Animation> Animation::animate(double duration, double delay, const std::function<void()>& changes, Completion completion)
{
    auto animation = std::shared_ptr<Animation>(new Animation());
    Animation* outer = g_recording;
    g_recording = animation.get();
    if (changes)
        changes();
    g_recording = outer;
    auto tracks = std::move(animation->m_tracks);
    animation->m_tracks.clear();
    return start(duration, delay, std::move(tracks), std::move(completion), animation);
}

std::shared_ptr<Animation> Animation::start(double duration, double delay, std::vector<Track> tracks, Completion completion)
{
    return start(duration, delay, std::move(tracks), std::move(completion), std::shared_ptr<Animation>(new Animation()));
}

std::shared_ptr<Animation> Animation::start(double duration, double delay, std::vector<Track> tracks, Completion completion, std::shared_ptr<Animation> animation)
{
    animation->m_tracks = std::move(tracks);
    animation->m_completion = std::move(completion);
    animation->m_duration = std::max(0.0, duration);
    animation->m_startTime = core::RunLoop::main().now() + std::max(0.0, delay);
    animation->m_running = true;
    animation->claim();
    animation->apply(0);
    animation->armTimer(animation->m_startTime);
    return animation;
}

void Animation::armTimer(double fireDate)
{
    std::weak_ptr<Animation> weak = weak_from_this();
    m_timer = core::Timer::create(fireDate, shared_from_this(), [weak](core::Timer&) {
        if (auto self = weak.lock())
            self->step();
    });
    m_timer->setTolerance(kFrameInterval);
    core::RunLoop::main().addTimer(m_timer);
}

// A newer animation of the same property of the same view takes it over.
void Animation::claim()
{
    auto self = shared_from_this();
    std::vector<std::shared_ptr<Animation>> displaced;
    for (auto& track : m_tracks) {
        std::weak_ptr<Animation>* slot = nullptr;
        switch (track.property) {
        case AnimatedProperty::Alpha:
            slot = &track.view->rare().alphaAnimation;
            break;
        case AnimatedProperty::Frame:
            slot = &track.view->rare().frameAnimation;
            break;
        case AnimatedProperty::BoundsOrigin:
            slot = &track.view->rare().boundsAnimation;
            break;
        }
        if (auto previous = slot->lock(); previous && previous != self) {
            previous->dropTrack(track.view.get(), track.property);
            displaced.push_back(previous);
        }
        *slot = self;
    }
    for (auto& previous : displaced)
        previous->endIfEmpty();
}

void Animation::dropTrack(const View* view, AnimatedProperty property)
{
    for (auto& track : m_tracks) {
        if (track.view.get() == view && track.property == property)
            track.active = false;
    }
}

void Animation::endIfEmpty()
{
    if (m_running && std::none_of(m_tracks.begin(), m_tracks.end(), [](auto& t) { return t.active; }) && !m_tracks.empty())
        end(false);
}

void Animation::removeTrack(const View* view, AnimatedProperty property)
{
    dropTrack(view, property);
    endIfEmpty();
}

void Animation::step()
{
    if (!m_running)
        return;
    double now = core::RunLoop::main().now();
    // Compared as times, not as a ratio: the ratio can stop a hair short of 1 at the end date.
    if (now >= m_startTime + m_duration) {
        end(true);
        return;
    }
    apply(ease((now - m_startTime) / m_duration));
    armTimer(std::min(now + kFrameInterval, m_startTime + m_duration));
}

void Animation::apply(double progress)
{
    auto keep = shared_from_this();
    for (auto& track : m_tracks) {
        if (!track.active)
            continue;
        double v[4];
        for (int i = 0; i < 4; i++)
            v[i] = lerp(track.from[i], track.to[i], progress);
        switch (track.property) {
        case AnimatedProperty::Alpha:
            track.view->applyAnimatedAlpha(v[0]);
            break;
        case AnimatedProperty::Frame:
            track.view->applyAnimatedFrame(RectMake(v[0], v[1], v[2], v[3]));
            break;
        case AnimatedProperty::BoundsOrigin:
            track.view->applyAnimatedBoundsOrigin({ v[0], v[1] });
            break;
        }
    }
}

void Animation::finish()
{
    if (m_running)
        end(true);
}

void Animation::end(bool finished)
{
    if (!m_running)
        return;
    auto keep = shared_from_this();
    m_running = false;
    if (m_timer)
        m_timer->invalidate();
    m_timer.reset();
    if (finished)
        apply(1);
    for (auto& track : m_tracks) {
        auto& rare = track.view->rare();
        auto& slot = track.property == AnimatedProperty::Alpha ? rare.alphaAnimation
            : track.property == AnimatedProperty::Frame       ? rare.frameAnimation
                                                              : rare.boundsAnimation;
        if (slot.lock() == keep)
            slot.reset();
    }
    m_tracks.clear();
    if (auto completion = std::move(m_completion)) {
        m_completion = nullptr;
        completion(finished);
    }
}

}
