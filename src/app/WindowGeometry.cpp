#include "app/WindowGeometry.h"

#include "platform/core/UserDefaults.h"

#include <algorithm>

namespace app {

namespace {

int overlap(int a0, int a1, int b0, int b1)
{
    return std::max(0, std::min(a1, b1) - std::max(a0, b0));
}

}

std::optional<WindowGeometry> WindowGeometry::load(core::UserDefaults& store)
{
    auto value = store.valueForKey(kKey);
    if (!value || !value->is_object())
        return std::nullopt;
    WindowGeometry g;
    int* fields[] = { &g.x, &g.y, &g.width, &g.height };
    const char* names[] = { "x", "y", "width", "height" };
    for (int i = 0; i < 4; i++) {
        auto it = value->find(names[i]);
        if (it == value->end() || !it->is_number_integer())
            return std::nullopt;
        int64_t v = it->get<int64_t>();
        if (v < -1000000 || v > 1000000)
            return std::nullopt;
        *fields[i] = int(v);
    }
    if (auto it = value->find("fullScreen"); it != value->end() && it->is_boolean())
        g.fullScreen = it->get<bool>();
    return g;
}

void WindowGeometry::save(core::UserDefaults& store) const
{
    core::Json value = { { "x", x }, { "y", y }, { "width", width }, { "height", height }, { "fullScreen", fullScreen } };
    store.setObject(value, kKey);
}

WindowGeometry WindowGeometry::place(const std::optional<WindowGeometry>& saved, const std::vector<Area>& displays, Area minimum, Area fallback)
{
    Area first = displays.empty() ? Area { 0, 0, fallback.width, fallback.height } : displays.front();
    if (saved && saved->width > 0 && saved->height > 0) {
        for (const Area& d : displays) {
            int w = std::clamp(saved->width, minimum.width, std::max(minimum.width, d.width));
            int h = std::clamp(saved->height, minimum.height, std::max(minimum.height, d.height));
            if (overlap(saved->x, saved->x + w, d.x, d.x + d.width) >= kMinimumVisible
                && overlap(saved->y, saved->y + h, d.y, d.y + d.height) >= kMinimumVisible)
                return { saved->x, saved->y, w, h, saved->fullScreen };
        }
    }
    WindowGeometry g;
    g.width = std::clamp(fallback.width, minimum.width, std::max(minimum.width, first.width));
    g.height = std::clamp(fallback.height, minimum.height, std::max(minimum.height, first.height));
    g.x = first.x + (first.width - g.width) / 2;
    g.y = first.y + (first.height - g.height) / 2;
    g.fullScreen = saved && saved->fullScreen;
    return g;
}

}
