#pragma once

namespace ui {

// Components 0 to 1, not premultiplied.
struct Color {
    double r = 0, g = 0, b = 0, a = 1;

    static Color rgba(double r, double g, double b, double a = 1) { return { r, g, b, a }; }
    static Color white(double w, double a) { return { w, w, w, a }; }
    Color withAlpha(double alpha) const { return { r, g, b, alpha }; }
    bool isClear() const { return a <= 0; }

    static Color clear() { return { 0, 0, 0, 0 }; }
    static Color black() { return { 0, 0, 0, 1 }; }
    static Color white() { return { 1, 1, 1, 1 }; }
    static Color red() { return { 1, 0, 0, 1 }; }
    static Color green() { return { 0, 1, 0, 1 }; }
    static Color blue() { return { 0, 0, 1, 1 }; }
    static Color yellow() { return { 1, 1, 0, 1 }; }
    static Color gray() { return { 0.5, 0.5, 0.5, 1 }; }
    static Color lightGray() { return { 2.0 / 3, 2.0 / 3, 2.0 / 3, 1 }; }
    static Color darkGray() { return { 1.0 / 3, 1.0 / 3, 1.0 / 3, 1 }; }
    // The tint of system buttons and controls.
    static Color systemBlue() { return { 0, 122.0 / 255, 1, 1 }; }

    bool operator==(const Color&) const = default;
};

}
