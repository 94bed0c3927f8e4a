// Reads "QuickWeave_Projcet.tab" back and checks it as it reads (the layout is
// in export/QuickWeaveLayout.h). Checked: sizes positive, the drawing
// order a permutation, sections that fit the file and end it, cameras inside
// the panorama, the weights of every panorama pixel summing to at most 255,
// and every pixel with weight read from inside its camera's frame.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <vector>

#include "tables/ByteSource.h"
#include "tables/TableViolations.h"

struct QuickWeaveCamera {
    int offsetX = 0, offsetY = 0;
    cv::Mat positions;  // rows x cols, CV_32FC2, normalised source positions
    cv::Mat weights;    // rows x cols, CV_8U
};

struct QuickWeaveTable {
    bool readable = false;
    uint64_t fileSize = 0;
    int32_t N = 0, W = 0, H = 0;
    std::vector<int32_t> drawOrder;
    std::vector<QuickWeaveCamera> cameras;  // those read completely
    TableViolations violations;

    bool valid() const { return readable && violations.empty(); }
};

// Section by section: what is kept is what the source holds, and a section is
// allocated only once the source is known to hold it.
QuickWeaveTable readQuickWeaveTable(ByteSource& source);
QuickWeaveTable readQuickWeaveTable(const uint8_t* data, size_t size);
