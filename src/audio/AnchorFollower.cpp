#include "audio/AnchorFollower.h"

#include <algorithm>
#include <cmath>

namespace audio {

Anchor AnchorFollower::update(int64_t frame, double heardAt)
{
    constexpr double kStall = 0.05;
    constexpr double kFollow = 0.05;
    constexpr double kLearn = 0.001;
    if (m_anchored && frame > m_anchor.frame) {
        const double elapsed = double(frame - m_anchor.frame);
        const double predicted = m_anchor.time + elapsed * m_secondsPerFrame;
        const double error = heardAt - predicted;
        if (std::fabs(error) <= kStall) {
            m_anchor = Anchor { frame, predicted + kFollow * error };
            m_secondsPerFrame = std::clamp(m_secondsPerFrame + kLearn * error / elapsed, m_nominal * 0.9, m_nominal * 1.1);
            return m_anchor;
        }
    }
    m_anchored = true;
    m_anchor = Anchor { frame, heardAt };
    m_secondsPerFrame = m_nominal;
    return m_anchor;
}

}
