#include "audio/SoundSettings.h"

#include "platform/core/UserDefaults.h"

#include <algorithm>
#include <cmath>

namespace audio {

namespace {

bool readBool(core::UserDefaults& store, const char* key, bool fallback)
{
    auto value = store.valueForKey(key);
    return value && value->is_boolean() ? value->get<bool>() : fallback;
}

double readNumber(core::UserDefaults& store, const char* key, double fallback, double low, double high)
{
    auto value = store.valueForKey(key);
    if (!value || !value->is_number())
        return fallback;
    double number = value->get<double>();
    return std::isfinite(number) ? std::clamp(number, low, high) : fallback;
}

}

SoundSettings SoundSettings::load(core::UserDefaults& store)
{
    SoundSettings s;
    s.click = readBool(store, kClickKey, s.click);
    s.countIn = readBool(store, kCountInKey, s.countIn);
    s.notes = readBool(store, kNotesKey, s.notes);
    s.volume = readNumber(store, kVolumeKey, s.volume, 0, 1);
    s.offsetMs = readNumber(store, kOffsetKey, s.offsetMs, kMinOffsetMs, kMaxOffsetMs);
    return s;
}

bool SoundSettings::save(core::UserDefaults& store) const
{
    store.setObject(click, kClickKey);
    store.setObject(countIn, kCountInKey);
    store.setObject(notes, kNotesKey);
    store.setObject(std::clamp(volume, 0.0, 1.0), kVolumeKey);
    store.setObject(std::clamp(offsetMs, kMinOffsetMs, kMaxOffsetMs), kOffsetKey);
    return store.synchronize();
}

}
