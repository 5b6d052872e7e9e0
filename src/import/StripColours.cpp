#include "import/StripColours.h"

namespace import {

Rgb StripColours::letter(char letter)
{
    switch (letter) {
    case 'C': return { 226, 46, 46 };
    case 'D': return { 245, 140, 30 };
    case 'E': return { 232, 206, 28 };
    case 'F': return { 58, 170, 72 };
    case 'G': return { 36, 150, 204 };
    case 'A': return { 104, 82, 200 };
    default: return { 200, 70, 160 };
    }
}

std::string_view StripColours::letterText(char letter)
{
    switch (letter) {
    case 'C': return "226,46,46";
    case 'D': return "245,140,30";
    case 'E': return "232,206,28";
    case 'F': return "58,170,72";
    case 'G': return "36,150,204";
    case 'A': return "104,82,200";
    default: return "200,70,160";
    }
}

Rgb StripColours::chord(char letter)
{
    switch (letter) {
    case 'C': return { 250, 200, 200 };
    case 'D': return { 252, 222, 190 };
    case 'E': return { 248, 240, 180 };
    case 'F': return { 200, 236, 200 };
    case 'G': return { 196, 226, 246 };
    case 'A': return { 216, 208, 246 };
    default: return { 240, 200, 230 };
    }
}

}
