#include "player/PracticeSettings.h"

#include "platform/core/Dispatch.h"
#include "platform/core/Json.h"
#include "platform/core/Log.h"
#include "platform/core/UserDefaults.h"

#include <cmath>

namespace player {

namespace {

// The first of several commits posted in one turn writes every change; the rest find nothing
// pending and return at once.
void commitSoon()
{
    dispatch::mainQueue().async([] { PracticeSettings::commit(); });
}

std::optional<core::Json> value(const std::string& song, const char* what)
{
    return core::UserDefaults::standardUserDefaults()->valueForKey(PracticeSettings::key(song, what));
}

void store(const std::string& song, const char* what, core::Json value)
{
    core::UserDefaults::standardUserDefaults()->setObject(value, PracticeSettings::key(song, what));
    commitSoon();
}

}

std::string PracticeSettings::key(const std::string& song, const char* what)
{
    return "practice/" + song + "/" + what;
}

bool PracticeSettings::removeAll(const std::string& song)
{
    auto defaults = core::UserDefaults::standardUserDefaults();
    defaults->removeObjectsWithPrefix(key(song, ""));
    return defaults->synchronize();
}

std::optional<PracticeSettings::Loop> PracticeSettings::loop(const std::string& song)
{
    auto json = value(song, "loop");
    if (!json || !json->is_object())
        return std::nullopt;
    auto start = json->find("start"), end = json->find("end"), on = json->find("on");
    if (start == json->end() || end == json->end() || on == json->end() || !start->is_number_integer() || !end->is_number_integer()
        || !on->is_boolean())
        return std::nullopt;
    return Loop { start->get<int32_t>(), end->get<int32_t>(), on->get<bool>() };
}

std::optional<float> PracticeSettings::shade(const std::string& song)
{
    auto json = value(song, "shade");
    if (!json || !json->is_number())
        return std::nullopt;
    auto shade = json->get<double>();
    if (!std::isfinite(shade) || shade < 0 || shade > 1)
        return std::nullopt;
    return float(shade);
}

std::optional<int32_t> PracticeSettings::speed(const std::string& song)
{
    auto json = value(song, "speed");
    if (!json || !json->is_number_integer())
        return std::nullopt;
    return json->get<int32_t>();
}

std::optional<double> PracticeSettings::best(const std::string& song, int32_t speed)
{
    auto json = value(song, ("best/" + std::to_string(speed)).c_str());
    if (!json || !json->is_number())
        return std::nullopt;
    auto accuracy = json->get<double>();
    if (!std::isfinite(accuracy) || accuracy < 0 || accuracy > 1)
        return std::nullopt;
    return accuracy;
}

bool PracticeSettings::offerBest(const std::string& song, int32_t speed, double accuracy)
{
    if (!std::isfinite(accuracy) || accuracy < 0 || accuracy > 1)
        return false;
    if (auto before = best(song, speed); before && *before >= accuracy)
        return false;
    store(song, ("best/" + std::to_string(speed)).c_str(), accuracy);
    return true;
}

void PracticeSettings::setLoop(const std::string& song, const Loop& loop)
{
    store(song, "loop", core::Json { { "start", loop.start }, { "end", loop.end }, { "on", loop.on } });
}

void PracticeSettings::setShade(const std::string& song, float shade)
{
    store(song, "shade", double(shade));
}

void PracticeSettings::setSpeed(const std::string& song, int32_t percent)
{
    store(song, "speed", percent);
}

bool PracticeSettings::commit()
{
    if (core::UserDefaults::standardUserDefaults()->synchronize())
        return true;
    core::log("Could not write the practice settings to the settings store");
    return false;
}

}
