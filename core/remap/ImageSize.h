// The size of an image file as stored, from its header where the format
// allows: a camera's source image is needed only for its size, and decoding a
// frame whole for it costs more than the rest of reading the camera.
#pragma once

#include <opencv2/core.hpp>
#include <string>

// Width and height of the image at `path` (local 8-bit) as cv::imread with
// IMREAD_UNCHANGED would give them: JPEG, PNG and TIFF from the header,
// anything else by decoding it. Empty when the file cannot be read as an
// image; `problem` then says why when it is known (not a regular file, or
// what OpenCV refused).
cv::Size imageFileSize(const std::string& path, std::string* problem = nullptr);
