// The synthetic scene sample rigs are rendered from: a smooth, colourful
// pattern over the panorama canvas with a 10-degree grid and round landmarks,
// so seams, shifts and distortions are easy to see in a stitched result.
#pragma once

#include <cstdint>

namespace riggen {

// Colour (B, G, R) of the scene at panorama pixel (x, y) of a width x height
// canvas; pixel centres lie on whole numbers. For a 360 x 180 degree
// equirectangular canvas, column and row are longitude and latitude.
void sceneColour(double x, double y, int width, int height, uint8_t bgr[3]);

}  // namespace riggen
