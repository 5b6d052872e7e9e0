#include "app/FrameStats.h"

#include "platform/core/FileManager.h"
#include "platform/core/Json.h"

#include <algorithm>
#include <cmath>

namespace app {

namespace {

core::Json summary(const std::vector<double>& values, bool p99)
{
    core::Json out = core::Json::object();
    out["p50"] = FrameStats::percentile(values, 50);
    if (p99)
        out["p99"] = FrameStats::percentile(values, 99);
    out["max"] = values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
    return out;
}

}

void FrameStats::addFrame(double renderMs, double uploadMs, double presentMs, double damagedFraction)
{
    m_render.push_back(renderMs);
    m_upload.push_back(uploadMs);
    m_present.push_back(presentMs);
    m_damaged.push_back(damagedFraction);
}

void FrameStats::addLateness(double ms)
{
    m_lateness.push_back(ms);
}

double FrameStats::percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    size_t rank = size_t(std::ceil(p / 100 * double(values.size())));
    size_t index = std::clamp<size_t>(rank, 1, values.size()) - 1;
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(index), values.end());
    return values[index];
}

std::string FrameStats::json() const
{
    core::Json out = core::Json::object();
    out["frames"] = m_render.size();
    out["renderMs"] = summary(m_render, true);
    out["uploadMs"] = summary(m_upload, true);
    out["presentMs"] = summary(m_present, true);
    out["damagedFraction"] = summary(m_damaged, false);
    out["beatLatenessMs"] = summary(m_lateness, true);
    return out.dump(2) + "\n";
}

bool FrameStats::writeToFile(const std::string& path) const
{
    return bool(core::files::writeContentsAtPath(path, json()));
}

}
