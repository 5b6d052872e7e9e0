#pragma once
#include "audio/Mixer.h"

#include <cstdint>

namespace audio {

// Where a sound device's frames meet the beat clock, from the callback's view: once per block it
// is told the block's first frame and the clock time that frame is expected to be heard (callback
// time plus the device's latency). Callbacks come with jitter and the device's rate may differ a
// little from the nominal one, so it follows the device's own frame count at a learnt rate and
// only leans towards each reading; after a stall it starts afresh.
class AnchorFollower {
public:
    explicit AnchorFollower(int sampleRate) : m_nominal(1.0 / sampleRate) { }

    Anchor update(int64_t frame, double heardAt);
    // Seconds per frame as learnt so far.
    double secondsPerFrame() const { return m_secondsPerFrame; }

private:
    double m_nominal;
    bool m_anchored = false;
    Anchor m_anchor;
    double m_secondsPerFrame = 0;
};

}
