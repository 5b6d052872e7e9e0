#include "platform/ui/Event.h"
#include "platform/ui/View.h"

namespace ui {

namespace {

struct KeyEntry {
    Key key;
    const char* name;
};

constexpr KeyEntry kKeys[] = {
    { Key::Return, "return" },
    { Key::Space, "space" },
    { Key::Left, "left" },
    { Key::Right, "right" },
    { Key::Escape, "escape" },
    { Key::Backspace, "backspace" },
    { Key::Delete, "delete" },
    { Key::Tab, "tab" },
    { Key::Up, "up" },
    { Key::Down, "down" },
    { Key::Home, "home" },
    { Key::PageUp, "pageup" },
    { Key::PageDown, "pagedown" },
    { Key::BracketLeft, "bracketleft" },
    { Key::BracketRight, "bracketright" },
    { Key::Question, "question" },
    { Key::F1, "f1" },
    { Key::P, "p" },
    { Key::M, "m" },
    { Key::C, "c" },
    { Key::N, "n" },
    { Key::W, "w" },
};

}

const char* keyName(Key key)
{
    for (const auto& entry : kKeys) {
        if (entry.key == key)
            return entry.name;
    }
    return "other";
}

std::optional<Key> keyNamed(std::string_view name)
{
    for (const auto& entry : kKeys) {
        if (name == entry.name)
            return entry.key;
    }
    return std::nullopt;
}

std::string keyNames()
{
    std::string names;
    for (const auto& entry : kKeys) {
        if (!names.empty())
            names += ", ";
        names += entry.name;
    }
    return names;
}

Point Touch::locationInView(const View* view) const
{
    return view ? view->convertPointFromView(windowPoint, nullptr) : windowPoint;
}

}
