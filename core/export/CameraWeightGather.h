// Reading camera weights out of the weight volume, whose pixels hold one byte
// per stacking position, into camera index order: the blend tables and the
// QuickWeave weights all read them this way.
#pragma once

#include <cstdint>

// The weight at stacking position `position` of a pixel of N positions; a
// position outside 0..N-1 (a camera with no layer in the volume) weighs 0.
inline uint8_t weightAtPosition(const uint8_t* pixel, int position, int N) {
    return position >= 0 && position < N ? pixel[position] : 0;
}

// weightAtPosition for `width` consecutive pixels of N positions (`px`, a row of
// the volume) and every camera j = 0..N-1 at position[j], into `out` (N bytes
// per pixel, camera index order). seen[j] becomes nonzero exactly when camera j
// weighs anything in these pixels.
void gatherCameraWeights(const uint8_t* px, int width, int N, const int* position, uint8_t* out,
                         uint8_t* seen);

// The four-camera case on its own: byte c of an output pixel is byte
// position[c] (0..3) of the input pixel. Returns the OR of all output pixels,
// byte c in bits 8c..8c+7. The usual bottom-first drawing order of four cameras
// reverses every pixel, which is one instruction.
uint32_t gatherPixels4(const uint8_t* in, int width, const int* position, uint8_t* out);
