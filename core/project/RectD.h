#pragma once

// A rectangle of four doubles: x, y, width, height.
struct RectD {
    double x = 0, y = 0, w = 0, h = 0;
};
