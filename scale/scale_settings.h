#pragma once

// What a scale run reads from the window's controls: the two size values,
// the unit, the aspect lock, the rotation and the tone steps.

#include <cstdint>

enum class ScaleUnit { Percent, Pixel };

// The rotation as the rotation button's glyph index holds it.
enum RotationIndex : int {
    kRotate0 = 8,      // unrotated
    kRotateRight = 9,  // a quarter turn clockwise
    kRotate180 = 10,
    kRotateLeft = 11,  // a quarter turn counter-clockwise
};

struct ScaleSettings {
    std::int32_t HorzValue = 100;  // percent, or pixels of the finished width
    std::int32_t VertValue = 100;
    ScaleUnit Unit = ScaleUnit::Percent;
    bool AspectLock = true;
    int Rotation = kRotate0;          // glyph index 8..11
    std::int32_t ContrastStep = 0;    // 0..20
    std::int32_t BrightnessStep = 0;  // -10..+10
};

// The part of the source a run reads: inclusive source coordinates.
struct SelectionRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;

    std::int32_t Width() const { return Right - Left + 1; }
    std::int32_t Height() const { return Bottom - Top + 1; }
};

inline SelectionRect WholePicture(int width, int height) {
    return SelectionRect{0, 0, width - 1, height - 1};
}
