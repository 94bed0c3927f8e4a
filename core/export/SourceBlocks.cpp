#include "export/SourceBlocks.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace {

const float kNoPositions[8] = {-1, -1, -1, -1, -1, -1, -1, -1};

template <class Label>
void labelBlocks(const CameraSnapshot& camera, SourceBlockMap& out) {
    const cv::Mat& map = camera.map;
    out.labels = cv::Mat::zeros(map.size(), cv::DataType<Label>::type);
    // Blocks in the order they are met; labels are 1-based indexes into it.
    std::vector<SourceBlock> found;
    std::map<uint32_t, int> byKey;  // key -> index into found
    const float sw = static_cast<float>(camera.sourceWidth);
    const float sh = static_cast<float>(camera.sourceHeight);
    for (int r = 0; r < map.rows; ++r) {
        const cv::Vec2f* row = map.ptr<cv::Vec2f>(r);
        Label* labels = out.labels.ptr<Label>(r);
        SourceBlock* block = nullptr;  // the block of the run being scanned
        int runStart = 0;
        auto closeRun = [&](int end) {  // columns runStart .. end-1 belong to `block`
            if (!block) return;
            const Label label = static_cast<Label>(block->label);
            for (int c = runStart; c < end; ++c) labels[c] = label;
            cv::Rect& b = block->bounds;
            if (block->pixelCount == 0) {
                b = cv::Rect(runStart, r, end - runStart, 1);
            } else {
                const int x1 = std::max(b.x + b.width, end);
                b.x = std::min(b.x, runStart);
                b.width = x1 - b.x;
                b.height = r - b.y + 1;  // rows are visited in ascending order
            }
            block->pixelCount += end - runStart;
            block = nullptr;
        };
        for (int c = 0; c < map.cols; ++c) {
            // Pixels with no position (-1, -1, most of a full-canvas layer)
            // are crossed four at a time.
            if (!block)
                while (c + 4 <= map.cols &&
                       std::memcmp(row + c, kNoPositions, sizeof kNoPositions) == 0)
                    c += 4;
            if (c == map.cols) break;
            const float x = row[c][0];
            const float y = row[c][1];
            if (!(x > 0 && y > 0 && x < sw && y < sh)) {
                closeRun(c);
                continue;
            }
            const int bx = static_cast<int>(x / static_cast<float>(kSourceBlockWidth));
            const int by = static_cast<int>(y / static_cast<float>(kSourceBlockHeight));
            const uint32_t key = SourceBlock::makeKey(bx, by);
            // Neighbouring pixels mostly share a block: runs of one block are
            // labelled in one go.
            if (block && block->key == key) continue;
            closeRun(c);
            auto it = byKey.find(key);
            if (it == byKey.end()) {
                SourceBlock b;
                b.bx = bx;
                b.by = by;
                b.key = key;
                b.label = static_cast<int>(found.size()) + 1;
                it = byKey.emplace(key, static_cast<int>(found.size())).first;
                found.push_back(std::move(b));
            }
            block = &found[static_cast<size_t>(it->second)];
            runStart = c;
        }
        closeRun(map.cols);
    }
    out.blocks.reserve(found.size());
    int counter = 0;
    for (const auto& kv : byKey) {
        SourceBlock& b = found[static_cast<size_t>(kv.second)];
        b.counter = ++counter;
        out.blocks.push_back(std::move(b));
    }
}

}  // namespace

SourceBlockMap mapSourceBlocks(const CameraSnapshot& camera) {
    SourceBlockMap out;
    // Blocks hold positions 0 < x < sourceWidth, 0 < y < sourceHeight.
    const int64_t across =
        (int64_t(std::max(camera.sourceWidth, 0)) + kSourceBlockWidth - 1) / kSourceBlockWidth;
    const int64_t down =
        (int64_t(std::max(camera.sourceHeight, 0)) + kSourceBlockHeight - 1) / kSourceBlockHeight;
    if (across * down <= 0xFFFF)
        labelBlocks<uint16_t>(camera, out);
    else
        labelBlocks<int32_t>(camera, out);
    return out;
}
