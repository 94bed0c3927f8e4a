// Automatic seam placement between overlapping cameras.
#pragma once

// Places seams between every overlapping pair of cameras with fades of width
// `fadeWidth` pixels. Returns 0 on success (or when nothing is loaded), -1 when
// a camera overlaps nothing usable.
int autoBlend(int fadeWidth);
