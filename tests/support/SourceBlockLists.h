// The pixel-list form of a camera's source blocks: every block with the list of
// its pixels, and region finding that tests every pixel against the boundary
// on its own (printing what insideColumnBoundary prints). The exports use the
// labelled map of SourceBlocks.h and BlockRegions.h; the tests hold it against
// this plain form.
#pragma once

#include <algorithm>
#include <climits>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "export/ColumnBoundary.h"
#include "export/SourceBlocks.h"

namespace testsupport {

struct SourcePixel {
    int c;    // camera column
    int r;    // camera row
    float x;  // source position, pixels
    float y;
};

struct SourceBlockList : SourceBlock {
    std::vector<SourcePixel> pixels;  // in map order (row by row)
};

// mapSourceBlocks, each block with the list of its pixels.
inline std::vector<SourceBlockList> collectSourceBlocks(const CameraSnapshot& camera) {
    const SourceBlockMap m = mapSourceBlocks(camera);
    std::vector<SourceBlockList> lists(m.blocks.size());
    std::vector<int> indexOfLabel(m.blocks.size() + 1, -1);
    for (size_t i = 0; i < m.blocks.size(); ++i) {
        static_cast<SourceBlock&>(lists[i]) = m.blocks[i];
        indexOfLabel[static_cast<size_t>(m.blocks[i].label)] = static_cast<int>(i);
    }
    for (int r = 0; r < m.labels.rows; ++r) {
        const int32_t* labels = m.labels.ptr<int32_t>(r);
        const cv::Vec2f* row = camera.map.ptr<cv::Vec2f>(r);
        for (int c = 0; c < m.labels.cols; ++c) {
            if (labels[c] == 0) continue;
            lists[static_cast<size_t>(indexOfLabel[static_cast<size_t>(labels[c])])]
                .pixels.push_back(SourcePixel{c, r, row[c][0], row[c][1]});
        }
    }
    return lists;
}

// The regions of a block given by its pixels (BlockRegions.h), every pixel
// tested, and with a broken boundary reported, in order.
inline std::vector<cv::Rect> findBlockRegions(const SourceBlockList& block,
                                              const std::vector<BoundaryEdge>& imgBdy,
                                              cv::Mat* contourImage) {
    std::vector<const SourcePixel*> inside;
    int minC = INT_MAX, minR = INT_MAX, maxC = INT_MIN, maxR = INT_MIN;
    for (const SourcePixel& px : block.pixels) {
        if (!insideColumnBoundary(px.c, imgBdy)) continue;
        inside.push_back(&px);
        minC = std::min(minC, px.c);
        maxC = std::max(maxC, px.c);
        minR = std::min(minR, px.r);
        maxR = std::max(maxR, px.r);
    }
    if (inside.empty()) return {};
    // Outside the pixels' bounding box the mask is zero: the contours of the
    // box padded by one pixel, shifted, are those of the whole padded map.
    cv::Mat padded = cv::Mat::zeros(maxR - minR + 3, maxC - minC + 3, CV_8UC1);
    for (const SourcePixel* px : inside)
        padded.at<uint8_t>(px->r - minR + 1, px->c - minC + 1) = 255;
    std::vector<std::vector<cv::Point>> contours;
    std::vector<cv::Vec4i> hierarchy;
    cv::findContours(padded, contours, hierarchy, cv::RETR_TREE, cv::CHAIN_APPROX_NONE,
                     cv::Point(minC, minR));
    if (contourImage && !contourImage->empty())
        cv::drawContours(*contourImage, contours, -1, cv::Scalar(255, 255, 255), 2, cv::LINE_8);
    std::vector<cv::Rect> rects;
    for (const auto& contour : contours) rects.push_back(cv::boundingRect(contour));
    return rects;
}

}  // namespace testsupport
