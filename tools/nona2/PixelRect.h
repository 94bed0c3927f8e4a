// A rectangle of panorama pixels, the unit the remapper evaluates and crops by.
#pragma once

namespace nona2 {

struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
};

}  // namespace nona2
