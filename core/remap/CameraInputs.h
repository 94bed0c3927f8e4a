// Reading one camera's remapper outputs: the two coordinate maps, the remapped
// image with its panorama offset, the source frame and the raw boundary.
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "project/Camara.h"

// A coordinate map as read from disk: `map` is CV_32FC1 and `error` empty on
// success; otherwise `map` is empty and `error` names the file and the problem.
struct MapTiff {
    cv::Mat map;
    std::string error;
    bool ok() const { return error.empty(); }
};

// Reads a striped TIFF of one 32-bit IEEE float sample per pixel. Everything the
// copy relies on (sample count, bit depth, sample format, striping, strip data
// covering width x height x 4 bytes) is checked first; anything else is refused.
MapTiff readMapTiff(const std::string& path);

// offsetX/offsetY = TIFF XPosition/YPosition of imagePath times 150 (single
// precision, truncated); 0 for an absent tag. Returns false, leaving the offsets
// alone, when the file cannot be opened.
bool readImagePosition(Camara& cam);

// Both maps, the offset, and coordMap = (mapX, mapY) when both maps were read and
// have the same size, after which mapX and mapY are released (coordMap holds
// them); otherwise coordMap stays empty and a map that was read is kept.
void loadCoordinateMaps(Camara& cam);

// Everything a camera needs from its files, for camera `index`. Fields left over
// from an earlier load are dropped first, so a file that cannot be read leaves an
// empty field rather than another project's data.
void loadCameraInputs(Camara& cam, int index);

// Empties every field loadCameraInputs fills, for camera `index`.
void dropCameraInputs(Camara& cam, int index);

// Empty when the camera's remapped layer lies inside a panorama of
// `panoWidth` x `panoHeight`, or has no image; otherwise a message naming the
// camera and its position. A layer outside is refused: its image and maps
// are dropped (the tables store positions in 16 bits and would wrap).
std::string layerOutsidePanorama(Camara& cam, int panoWidth, int panoHeight);

// Validity transitions of the middle row of a CV_8UC4 image (alpha != 0 = valid):
// a run touching column 0 yields no start there, a run reaching the last column
// no end there; a single transition is completed, two are sorted by column.
std::vector<BoundaryEdge> scanRawBoundary(const cv::Mat& image);
