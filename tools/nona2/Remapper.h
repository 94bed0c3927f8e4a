// Remaps one project image into panorama space: its coordinate maps, its
// RGBA layer and the layer's place in the panorama.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <string>

#include "PixelRect.h"
#include "PtoProject.h"

namespace nona2 {

struct RemappedLayer {
    int left = 0;  // position of the layer's top-left pixel in the panorama
    int top = 0;
    cv::Mat bgra;  // CV_8UC4; alpha 255 where the pixel comes from the source image, else 0
    // CV_32FC1 source column and row per pixel; -1 where the transform is
    // undefined and at transparent pixels whose position lies outside the image.
    cv::Mat mapX;
    cv::Mat mapY;
    int validPixels = 0;
};

struct RemapOptions {
    int threads = 0;  // 0: one per core
    bool withMaps = true;
    // Evaluate libpano13 at every pixel instead of on a verified grid
    // (same result to well under 1/100 pixel, several times slower).
    bool exact = false;
};

// Receives a remapped layer band by band, top to bottom.
class LayerSink {
public:
    virtual ~LayerSink() = default;
    // The layer's size and the position of its top-left pixel in the
    // panorama, before any rows.
    virtual bool begin(int left, int top, int width, int height, std::string& error) = 0;
    // The next rows of the layer, as in RemappedLayer (bgra, mapX, mapY of
    // equal size, the layer's width). False with a message stops the remapping.
    virtual bool rows(const cv::Mat& bgra, const cv::Mat& mapX, const cv::Mat& mapY,
                      std::string& error) = 0;
};

// Remaps image `index` of `project` from `source` (as loadSourceImage gives)
// into `sink`, and counts the pixels with alpha in `validPixels`.
// With the panorama's r:CROP the layer covers the box nona gives it (the
// image's footprint with a transparent margin, inside the panorama's S crop;
// pixels in it outside the image have alpha 0 and position -1, -1), otherwise
// it covers the canvas. The layer is evaluated and handed over a band of rows
// at a time, so a canvas-sized layer is never held whole. False with a message
// naming the project file and line when libpano13 cannot set up the image's
// transform, or with the sink's message.
bool remapImage(const PtoProject& project, int index, const cv::Mat& source,
                const RemapOptions& options, LayerSink& sink, int& validPixels, std::string& error);

// What remapping image `index` will take, known before its source image is
// read: the layer remapImage will give it (from the project alone: an alpha
// channel in the source can only make the real one smaller) and the memory.
struct LayerPlan {
    PixelRect layer;    // in the panorama; empty when not known yet
    bool known = true;  // false: a footprint too small for nona's miniature,
                        // which the remapping looks for pixel by pixel
    uint64_t need = 0;  // bytes remapping holds at most (without `known`, at least)
};
bool planLayer(const PtoProject& project, int index, const RemapOptions& options, LayerPlan& plan,
               std::string& error);

// Bytes remapping holds at most for a layer of `layer` from `image`: the
// source image and its mask, the grid, the bands in flight and the files'
// compressed strips.
uint64_t remapMemory(const PixelRect& layer, const ImageDesc& image, const RemapOptions& options);

// The same, collected into `out` (without maps unless options.withMaps).
bool remapImage(const PtoProject& project, int index, const cv::Mat& source,
                const RemapOptions& options, RemappedLayer& out, std::string& error);

}  // namespace nona2
