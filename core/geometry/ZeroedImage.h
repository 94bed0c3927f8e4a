// Image buffers that start as zeros without being written: a panorama-sized
// layer or display image is mostly transparent, and the system hands out
// fresh memory as zero pages that cost nothing until written. Writers that
// skip the zeros leave those pages untouched: no page faults for them, and no
// resident memory.
#pragma once

#include <opencv2/core.hpp>

// A continuous rows x cols matrix of `type`, every byte 0 (from calloc, whose
// large blocks are fresh pages). Behaves like any cv::Mat otherwise.
cv::Mat zeroedImage(int rows, int cols, int type);
