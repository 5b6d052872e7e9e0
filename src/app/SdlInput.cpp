#include "app/SdlInput.h"

#include "app/Letterbox.h"
#include "platform/ui/Event.h"
#include "platform/ui/Window.h"

#include <SDL.h>

namespace app {

namespace {

// Points a wheel notch scrolls.
constexpr double kWheelStep = 40;

}

SdlInput::SdlInput(ui::Window& kit, const Letterbox& box, std::function<void()> refreshBox, DropHandler onDropFiles)
    : m_kit(kit)
    , m_box(box)
    , m_refreshBox(std::move(refreshBox))
    , m_onDropFiles(std::move(onDropFiles))
{
}

SdlInput::Request SdlInput::handleEvent(const SDL_Event& event)
{
    switch (event.type) {
    // Dropped files: gathered until the drop completes, then handed on together.
    case SDL_DROPFILE:
        if (event.drop.file) {
            m_dropped.emplace_back(event.drop.file);
            SDL_free(event.drop.file);
        }
        break;
    case SDL_DROPCOMPLETE:
        if (!m_dropped.empty()) {
            auto files = std::move(m_dropped);
            m_dropped.clear();
            if (m_onDropFiles)
                m_onDropFiles(files);
        }
        break;
    case SDL_QUIT:
        return Request::Quit;
    case SDL_WINDOWEVENT:
        return windowEvent(event.window);
    case SDL_MOUSEBUTTONDOWN:
        mouseDown(event.button);
        break;
    case SDL_MOUSEMOTION:
        if (m_touching)
            m_kit.touchMoved(m_box.pointForMouse(event.motion.x, event.motion.y));
        break;
    case SDL_MOUSEBUTTONUP:
        mouseUp(event.button);
        break;
    case SDL_MOUSEWHEEL:
        wheel(event.wheel);
        break;
    case SDL_KEYDOWN:
        return keyDown(event.key);
    case SDL_TEXTINPUT:
        m_kit.textInput(event.text.text);
        break;
    default:
        break;
    }
    return Request::None;
}

SdlInput::Request SdlInput::windowEvent(const SDL_WindowEvent& event)
{
    if (event.event == SDL_WINDOWEVENT_EXPOSED || event.event == SDL_WINDOWEVENT_SIZE_CHANGED)
        return Request::RedrawAll;
    // A finger cannot stay down while another program takes the mouse.
    if (event.event == SDL_WINDOWEVENT_FOCUS_LOST && m_touching) {
        m_touching = false;
        SDL_CaptureMouse(SDL_FALSE);
        m_kit.touchCancel();
    }
    return Request::None;
}

void SdlInput::mouseDown(const SDL_MouseButtonEvent& event)
{
    if (event.button != SDL_BUTTON_LEFT || m_touching)
        return;
    m_refreshBox();
    ui::Point p = m_box.pointForMouse(event.x, event.y);
    // A press on the black bars around the picture touches nothing.
    if (!m_kit.bounds().contains(p))
        return;
    m_touching = true;
    SDL_CaptureMouse(SDL_TRUE);
    m_kit.touchDown(p);
}

void SdlInput::mouseUp(const SDL_MouseButtonEvent& event)
{
    if (event.button != SDL_BUTTON_LEFT || !m_touching)
        return;
    m_touching = false;
    SDL_CaptureMouse(SDL_FALSE);
    m_kit.touchUp(m_box.pointForMouse(event.x, event.y));
}

void SdlInput::wheel(const SDL_MouseWheelEvent& event)
{
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    double sign = event.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
    // SDL's positive y is away from the user: towards the start of the content.
    m_kit.wheel(m_box.pointForMouse(x, y), sign * event.preciseX * kWheelStep, -sign * event.preciseY * kWheelStep);
}

SdlInput::Request SdlInput::keyDown(const SDL_KeyboardEvent& event)
{
    if (event.keysym.sym == SDLK_F11)
        return event.repeat ? Request::None : Request::ToggleFullScreen;
    // A focused field takes Space as typed text and ignores the key; the window decides.
    if (auto key = keyFor(event.keysym))
        m_kit.keyDown(*key);
    return Request::None;
}

std::optional<ui::Key> SdlInput::keyFor(const SDL_Keysym& keysym)
{
    switch (keysym.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return ui::Key::Return;
    case SDLK_SPACE:
        return ui::Key::Space;
    case SDLK_LEFT:
        return ui::Key::Left;
    case SDLK_RIGHT:
        return ui::Key::Right;
    case SDLK_ESCAPE:
        return ui::Key::Escape;
    case SDLK_BACKSPACE:
        return ui::Key::Backspace;
    case SDLK_TAB:
        return ui::Key::Tab;
    case SDLK_UP:
        return ui::Key::Up;
    case SDLK_DOWN:
        return ui::Key::Down;
    case SDLK_HOME:
        return ui::Key::Home;
    case SDLK_PAGEUP:
        return ui::Key::PageUp;
    case SDLK_PAGEDOWN:
        return ui::Key::PageDown;
    case SDLK_LEFTBRACKET:
        return ui::Key::BracketLeft;
    case SDLK_RIGHTBRACKET:
        return ui::Key::BracketRight;
    case SDLK_QUESTION:
        return ui::Key::Question;
    // US layouts report '?' as shifted '/'.
    case SDLK_SLASH:
        return (keysym.mod & KMOD_SHIFT) ? std::optional(ui::Key::Question) : std::nullopt;
    case SDLK_F1:
        return ui::Key::F1;
    case SDLK_p:
        return ui::Key::P;
    case SDLK_m:
        return ui::Key::M;
    case SDLK_c:
        return ui::Key::C;
    case SDLK_n:
        return ui::Key::N;
    case SDLK_w:
        return ui::Key::W;
    case SDLK_DELETE:
        return ui::Key::Delete;
    default:
        return std::nullopt;
    }
}

}
