// The regions of one source block: the rectangles, in padded camera
// coordinates, that a format's record builder turns into remap records.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "export/ColumnBoundary.h"
#include "export/SourceBlocks.h"

// The rectangles of one block of `map`: sets the block's pixels whose column is
// inside the boundary in a zero mask the size of the camera's map, pads it by
// one pixel on each side, finds every contour (outer and hole, full tree, no
// approximation) and returns their bounding rectangles in the order OpenCV
// returns the contours. Rectangles are in padded coordinates: (x, y, w, h)
// covers camera columns x-1 .. x+w-2 and rows y-1 .. y+h-2.
// When `contourImage` is non-null and non-empty (CV_8UC3, or CV_8UC1 as a
// mask) the contours are drawn on it in white (255), thickness 2, at padded
// coordinates.
// Only the block's bounding box is scanned; the result is the same as on the
// whole padded map. It prints nothing: for a camera whose imgBdy does not hold
// two entries (no regions) the caller reports the block's pixels with
// reportBrokenBoundary, at the point where its console output belongs.
std::vector<cv::Rect> findBlockRegions(const SourceBlockMap& map, const SourceBlock& block,
                                       const BoundaryColumns& columns, cv::Mat* contourImage);
