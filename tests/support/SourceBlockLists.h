// The pixel-list form of a camera's source blocks: every block with the list of
// its pixels. The exports use the labelled map of SourceBlocks.h and
// BlockRegions.h; the tests hold it against region finding on these lists.
#pragma once

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
    cv::Mat labelMap;
    m.labels.convertTo(labelMap, CV_32S);
    for (int r = 0; r < labelMap.rows; ++r) {
        const int32_t* labels = labelMap.ptr<int32_t>(r);
        const cv::Vec2f* row = camera.map.ptr<cv::Vec2f>(r);
        for (int c = 0; c < labelMap.cols; ++c) {
            if (labels[c] == 0) continue;
            lists[static_cast<size_t>(indexOfLabel[static_cast<size_t>(labels[c])])]
                .pixels.push_back(SourcePixel{c, r, row[c][0], row[c][1]});
        }
    }
    return lists;
}

}  // namespace testsupport
