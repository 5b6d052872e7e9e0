#pragma once
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"

#include <memory>

namespace player {

// The controls of the practice panel's rows (sound, play along), one look for all of them: a
// row is 36 points high and its controls sit on it at x.
namespace panelRow {

// A bordered toggle or choice button.
std::shared_ptr<ui::Button> button(ui::View& row, const char* identifier, const char* title, double x, double width);
// A grey caption before a control.
std::shared_ptr<ui::Label> caption(ui::View& row, const char* text, double x, double width);
// A label the screen writes into, found by its identifier.
std::shared_ptr<ui::Label> label(ui::View& row, const char* identifier, double x, double width, ui::Font font);
// A toggle shows on as a tinted, selected button.
void showToggle(ui::Button* button, bool on, bool enabled = true);

}

}
