#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

union SDL_Event;
struct SDL_WindowEvent;
struct SDL_MouseButtonEvent;
struct SDL_MouseWheelEvent;
struct SDL_KeyboardEvent;
struct SDL_Keysym;

namespace ui {
class Window;
enum class Key;
}

namespace app {

struct Letterbox;

// Turns SDL's input events into the kit window's: the left mouse button is a finger (held by the
// window while down, cancelled when another program takes the focus), the wheel scrolls, keys
// and typed text go to the window, and the files of one drop are handed on together.
class SdlInput {
public:
    // What the desktop window itself has to do about an event.
    enum class Request { None, Quit, RedrawAll, ToggleFullScreen };
    using DropHandler = std::function<void(const std::vector<std::string>& paths)>;

    // `box` maps mouse positions to the kit's points; `refreshBox` brings it up to date with the
    // window's size before a touch begins.
    SdlInput(ui::Window& kit, const Letterbox& box, std::function<void()> refreshBox, DropHandler onDropFiles);

    Request handleEvent(const SDL_Event& event);

    // The key a key press means to the kit, if any.
    static std::optional<ui::Key> keyFor(const SDL_Keysym& keysym);

private:
    Request windowEvent(const SDL_WindowEvent& event);
    void mouseDown(const SDL_MouseButtonEvent& event);
    void mouseUp(const SDL_MouseButtonEvent& event);
    void wheel(const SDL_MouseWheelEvent& event);
    Request keyDown(const SDL_KeyboardEvent& event);

    ui::Window& m_kit;
    const Letterbox& m_box;
    std::function<void()> m_refreshBox;
    DropHandler m_onDropFiles;
    bool m_touching = false;
    std::vector<std::string> m_dropped;
};

}
