#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>
#include <random>

#include "RecordingReporter.h"
#include "SourceBlockLists.h"
#include "export/BlockRegions.h"

namespace {

using testsupport::SourceBlockList;
using testsupport::SourcePixel;

// The regions as the whole-map procedure defines them: mask the size of the
// map, padded by one pixel, contours of the full tree without approximation.
std::vector<cv::Rect> referenceRegions(const SourceBlockList& block,
                                       const std::vector<BoundaryEdge>& bdy, cv::Size mapSize,
                                       cv::Mat* drawn) {
    cv::Mat mask = cv::Mat::zeros(mapSize, CV_8UC1);
    for (const SourcePixel& p : block.pixels)
        if (insideColumnBoundary(p.c, bdy)) mask.at<uint8_t>(p.r, p.c) = 255;
    cv::Mat padded = cv::Mat::zeros(mapSize.height + 2, mapSize.width + 2, CV_8UC1);
    mask.copyTo(padded(cv::Rect(1, 1, mapSize.width, mapSize.height)));
    std::vector<std::vector<cv::Point>> contours;
    std::vector<cv::Vec4i> hierarchy;
    cv::findContours(padded, contours, hierarchy, 3, 1, cv::Point(0, 0));
    cv::drawContours(*drawn, contours, -1, cv::Scalar(255, 255, 255), 2, 8);
    std::vector<cv::Rect> rects;
    for (const auto& c : contours) rects.push_back(cv::boundingRect(c));
    return rects;
}

// The labelled map, scanning only each block's bounding box, must give every
// block the regions (in the same order), drawing and (with a broken boundary)
// report lines of the whole-map procedure: several blocks interleaved in blobs
// with holes and nested islands, pixels in no block, map borders, and
// boundaries plain, wrapped and broken.
TEST(FindBlockRegions, LabelledMapSameAsPixelLists) {
    std::mt19937 rng(11);
    const cv::Size size(97, 73);
    for (int trial = 0; trial < 30; ++trial) {
        // Block index per pixel, 0 = none; painted as overlapping blobs.
        cv::Mat blockOfPixel = cv::Mat::zeros(size, CV_8UC1);
        std::uniform_int_distribution<int> px(0, size.width - 1), py(0, size.height - 1),
            rad(2, 18), which(1, 6);
        for (int s = 0; s < 4 + trial % 6; ++s) {
            const cv::Point centre(px(rng), py(rng));
            const int radius = rad(rng);
            cv::circle(blockOfPixel, centre, radius, which(rng), cv::FILLED);
            if (radius > 7)
                cv::circle(blockOfPixel, centre, radius / 2, trial % 2 ? 0 : which(rng),
                           cv::FILLED);
            if (radius > 10) cv::circle(blockOfPixel, centre, radius / 5, which(rng), cv::FILLED);
        }
        CameraSnapshot cam;
        cam.sourceWidth = 3 * 128;
        cam.sourceHeight = 2 * 180;
        cam.map = cv::Mat(size, CV_32FC2);
        cam.weights = cv::Mat(size, CV_8UC4, cv::Scalar(0, 0, 0, 255));
        for (int r = 0; r < size.height; ++r)
            for (int c = 0; c < size.width; ++c) {
                const int t = blockOfPixel.at<uint8_t>(r, c);
                // Block t - 1 of a 3 x 2 grid; outside the source for 0.
                cam.map.at<cv::Vec2f>(r, c) =
                    t == 0 ? cv::Vec2f(-1, 5)
                           : cv::Vec2f(128.0f * ((t - 1) % 3) + 0.5f + c % 100,
                                       180.0f * ((t - 1) / 3) + 0.5f + r % 150);
            }
        const std::vector<BoundaryEdge> bdy =
            trial % 3 == 0   ? std::vector<BoundaryEdge>{{30, 0}, {60, 1}}
            : trial % 3 == 1 ? std::vector<BoundaryEdge>{{5, 1}, {80, 0}}
                             : (trial % 6 == 2 ? std::vector<BoundaryEdge>{{5, 1}}
                                               : std::vector<BoundaryEdge>{{0, 1}, {96, 0}});

        const auto lists = testsupport::collectSourceBlocks(cam);
        const SourceBlockMap labelled = mapSourceBlocks(cam);
        ASSERT_EQ(lists.size(), labelled.blocks.size());
        const BoundaryColumns columns(bdy, size.width);
        for (size_t i = 0; i < lists.size(); ++i) {
            const SourceBlock& b = labelled.blocks[i];
            EXPECT_EQ(b.key, lists[i].key);
            EXPECT_EQ(b.counter, lists[i].counter);
            EXPECT_EQ(b.pixelCount, static_cast<int64_t>(lists[i].pixels.size()));
            cv::Mat drawnRef = cv::Mat::zeros(size.height + 2, size.width + 2, CV_8UC3);
            cv::Mat drawnMap = drawnRef.clone();
            testsupport::RecordingReporter console;
            const auto ref = referenceRegions(lists[i], bdy, size, &drawnRef);
            const std::string refOut = console.take();
            const auto fromMap = findBlockRegions(labelled, b, columns, &drawnMap);
            if (columns.edgeCount != 2) reportBrokenBoundary(columns.edgeCount, b.pixelCount);
            const std::string mapOut = console.take();
            ASSERT_EQ(fromMap, ref) << "trial " << trial << " block " << i;
            EXPECT_EQ(mapOut, refOut) << "trial " << trial << " block " << i;
            EXPECT_EQ(cv::norm(drawnMap, drawnRef, cv::NORM_INF), 0.0);
        }
    }
}

}  // namespace
