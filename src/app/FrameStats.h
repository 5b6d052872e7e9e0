#pragma once
#include <string>
#include <vector>

namespace app {

// What the window's frames cost, for --frame-stats: per frame the milliseconds spent drawing,
// uploading to the window's texture and presenting, and the share of the window drawn; per
// timer how late it fired. Written as one JSON object when the window closes.
class FrameStats {
public:
    void addFrame(double renderMs, double uploadMs, double presentMs, double damagedFraction);
    void addLateness(double ms);

    size_t frames() const { return m_render.size(); }
    // {"frames", "renderMs", "uploadMs", "presentMs", "damagedFraction", "beatLatenessMs"}.
    std::string json() const;
    bool writeToFile(const std::string& path) const;

    // The nearest-rank percentile (0 to 100) of `values`; 0 when there are none.
    static double percentile(std::vector<double> values, double p);

private:
    std::vector<double> m_render, m_upload, m_present, m_damaged, m_lateness;
};

}
