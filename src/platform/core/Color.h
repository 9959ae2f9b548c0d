#pragma once

namespace platform {

// A colour: red, green, blue and alpha, each 0 to 1, not premultiplied.
struct Color {
    float red = 0;
    float green = 0;
    float blue = 0;
    float alpha = 0;

    static constexpr Color black() { return { 0, 0, 0, 1 }; }
    static constexpr Color white() { return { 1, 1, 1, 1 }; }
    static constexpr Color gray() { return { 0.5f, 0.5f, 0.5f, 1 }; }
    // Fully transparent.
    static constexpr Color clear() { return { 0, 0, 0, 0 }; }

    bool isClear() const { return alpha <= 0; }
    friend bool operator==(const Color&, const Color&) = default;
};

} // namespace platform
