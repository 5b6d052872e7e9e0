#pragma once
#include "import/StripRows.h"

#include <string_view>

namespace import {

// The colours of the strip, as in the sample songs: notes by letter, in the spirit of coloured
// tuned percussion, and light tints of them behind chord symbols.
class StripColours {
public:
    static Rgb letter(char letter);
    // The letter's colour as the text of its three fields, "226,46,46".
    static std::string_view letterText(char letter);
    static Rgb chord(char letter);
};

}
