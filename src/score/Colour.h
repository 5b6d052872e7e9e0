#pragma once

namespace score {

// A colour as the score describes it, components 0 to 1. The player turns it into a view colour.
struct Colour {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 1.0;

    bool operator==(const Colour&) const = default;

    static constexpr Colour blackColor() { return { 0.0, 0.0, 0.0, 1.0 }; }
    static constexpr Colour redColor() { return { 1.0, 0.0, 0.0, 1.0 }; }
    static constexpr Colour yellowColor() { return { 1.0, 1.0, 0.0, 1.0 }; }
    static constexpr Colour grayColor() { return { 0.5, 0.5, 0.5, 1.0 }; }
    static constexpr Colour clearColor() { return { 0.0, 0.0, 0.0, 0.0 }; }
};

// A frame in points.
struct Frame {
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;

    bool operator==(const Frame&) const = default;
};

}
