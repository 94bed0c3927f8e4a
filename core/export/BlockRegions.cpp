#include "export/BlockRegions.h"

#include <cstdint>
#include <opencv2/imgproc.hpp>

namespace {

// Sets padded(r + 1, c + 1) = 255 for the block's pixels inside the boundary,
// box coordinates; true when there is any.
template <class Label>
bool maskBlock(const cv::Mat& labelMap, const SourceBlock& block, const BoundaryColumns& columns,
               cv::Mat& padded) {
    const cv::Rect& box = block.bounds;
    const Label label = static_cast<Label>(block.label);
    const uint8_t* inside = columns.inside.data() + box.x;
    bool any = false;
    for (int r = box.y; r < box.y + box.height; ++r) {
        const Label* labels = labelMap.ptr<Label>(r) + box.x;
        uint8_t* mask = padded.ptr<uint8_t>(r - box.y + 1) + 1;
        uint8_t rowAny = 0;
        for (int c = 0; c < box.width; ++c) {
            const uint8_t v = (labels[c] == label) & inside[c];
            mask[c] = static_cast<uint8_t>(-v);  // 0 or 255
            rowAny |= v;
        }
        any = any || rowAny;
    }
    return any;
}

}  // namespace

std::vector<cv::Rect> findBlockRegions(const SourceBlockMap& map, const SourceBlock& block,
                                       const BoundaryColumns& columns, cv::Mat* contourImage) {
    if (columns.edgeCount != 2) return {};
    const cv::Rect& box = block.bounds;
    if (block.pixelCount == 0 || box.empty()) return {};
    // The block's bounding box padded by one pixel: outside it the mask is zero,
    // so its contours, shifted by the box's corner, are those of the whole
    // padded map in the same raster order.
    cv::Mat padded = cv::Mat::zeros(box.height + 2, box.width + 2, CV_8UC1);
    const bool any = map.labels.depth() == CV_16U
                         ? maskBlock<uint16_t>(map.labels, block, columns, padded)
                         : maskBlock<int32_t>(map.labels, block, columns, padded);
    if (!any) return {};

    std::vector<std::vector<cv::Point>> contours;
    std::vector<cv::Vec4i> hierarchy;
    cv::findContours(padded, contours, hierarchy, cv::RETR_TREE, cv::CHAIN_APPROX_NONE,
                     cv::Point(box.x, box.y));
    if (contourImage && !contourImage->empty())
        cv::drawContours(*contourImage, contours, -1, cv::Scalar(255, 255, 255), 2, cv::LINE_8);

    std::vector<cv::Rect> rects;
    rects.reserve(contours.size());
    for (const auto& contour : contours) rects.push_back(cv::boundingRect(contour));
    return rects;
}
