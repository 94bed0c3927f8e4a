// Where in the panorama an image's layer goes when layers are cropped (the
// project's r:CROP): the box nona would give it, and a coarse search for
// footprints too small for that.
#pragma once

#include "BicubicSampler.h"
#include "GridEvaluator.h"
#include "PanoTransform.h"
#include "PixelRect.h"
#include "PtoProject.h"

namespace nona2 {

// The layer box nona gives an r:CROP layer, inside `canvas`. It looks for the
// image on a miniature panorama (about 180 pixels on its longer side), grows
// what it finds by one miniature pixel and scales that back, so the layer keeps
// a transparent margin around the image's footprint. The margin matters
// downstream: a level camera's valid region has vertical sides, and without the
// margin its middle row would show no transition to cut at. Empty when the
// miniature misses the image altogether.
PixelRect nonaLayerBox(const PanoOptions& pano, const PixelRect& canvas, const PanoTransform& t,
                       const ImageSampler& sampler);

// The part of `canvas` where the image may land, from samples every `step`
// pixels, widened by two steps on each side. Empty when no sample hits the image.
PixelRect coarseRegion(const PixelRect& canvas, const WorkerTransforms& transforms,
                       const ImageSampler& sampler, int step);

}  // namespace nona2
