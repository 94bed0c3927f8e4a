#include "export/BlendTable4K.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "export/CameraWeightGather.h"
#include "export/LittleEndianWriter.h"

namespace {

// What one block remembers about the run its latest records belong to.
struct RunState {
    // Weights the next record must carry to extend the run; empty after a run
    // was closed with its last record, so the next record always starts anew.
    std::vector<uint8_t> compare;
    int y0 = 0;      // first row of the run
    int length = 0;  // rows in the run so far, 0..32
    int64_t recordSize = 0;
};

// Marks the rows of a finished run: the record of row y gets the number of run
// rows below it in bits 11-15. The records lie exactly one row's bytes apart.
// `withCurrent`: the run ends with the record just written (the cursor is right
// behind it); otherwise it ended one row up and the cursor is where this row's
// record of the block goes.
void closeRun(LittleEndianWriter& out, RunState& s, bool withCurrent, int64_t rowBytes) {
    if (s.length <= 1) {
        s.length = 0;
        return;
    }
    int n = s.length;
    int k0 = 0;
    int64_t at = out.pos();
    if (withCurrent) {
        at -= s.recordSize;
        n -= 1;
        k0 = 1;
    }
    for (int i = 0; i < n; ++i) {
        at -= rowBytes;
        const int row = n - i - 1 + s.y0;
        out.patchU16(at, blendRowField(row, k0 + i));
    }
    s.length = 0;
    s.compare.clear();
}

}  // namespace

std::string blendTable4KSizeProblem(int N, int W, int H, const std::string& path) {
    const std::string head = "Cannot write " + path + ": ";
    if (W < 0 || H < 0)
        return head + "the panorama size " + std::to_string(W) + " x " + std::to_string(H) +
               " is not valid";
    if (H > kBlendTable4KMaxRows)
        return head + "the panorama is " + std::to_string(H) +
               " rows high, the 4K table holds at most " + std::to_string(kBlendTable4KMaxRows) +
               " rows";
    if (W > kBlendTable4KMaxWidth)
        return head + "the panorama is " + std::to_string(W) +
               " columns wide, the 4K table holds at most " +
               std::to_string(kBlendTable4KMaxWidth) + " columns";
    const BlendPartition part = blendPartition(W, N);
    if (part.blockCount > kBlendTable4KMaxBlocks)
        return head + "a " + std::to_string(W) + " pixel wide panorama of " + std::to_string(N) +
               " cameras needs " + std::to_string(part.blockCount) +
               " blend blocks per row, the 4K table holds at most " +
               std::to_string(kBlendTable4KMaxBlocks);
    return std::string();
}

std::optional<ExportResult> checkBlendTable4KSize(int N, int W, int H, const std::string& path) {
    const std::string problem = blendTable4KSizeProblem(N, W, H, path);
    if (problem.empty()) return std::nullopt;
    return failExport(path, "%s\r\n", problem.c_str());
}

namespace {

// Volume: WeightVolume or WeightRows; rows are read top to bottom.
template <class Volume>
BlendTableOutcome buildTable(LittleEndianWriter& out, Volume& volume, int N, int W, int H,
                             const std::vector<int>& drawOrder) {
    const BlendPartition part = blendPartition(W, N);
    assert(part.blockWidth > 0 && H <= kBlendTable4KMaxRows &&
           part.blockCount <= kBlendTable4KMaxBlocks && W <= kBlendTable4KMaxWidth);
    const int nBlk = part.blockCount;
    const int64_t rowBytes = part.rowBytes(N);

    // Stacking position of each camera; a camera missing from drawOrder has
    // no layer in the volume and so weighs 0 everywhere.
    const std::vector<int> position = stackingPositions(drawOrder, N, -1);

    std::vector<RunState> runs(static_cast<size_t>(nBlk));
    for (int m = 0; m < nBlk; ++m) {
        RunState& s = runs[static_cast<size_t>(m)];
        s.compare.assign(static_cast<size_t>(part.width(m)) * static_cast<size_t>(N), 0);
        s.recordSize = part.recordBytes(m, N);
    }

    std::vector<uint8_t> weights(static_cast<size_t>(part.blockWidth) * static_cast<size_t>(N));
    std::vector<uint8_t> seen(static_cast<size_t>(N));
    for (int y = 0; y < H; ++y) {
        for (int m = 0; m < nBlk; ++m) {
            const int x = part.start(m);
            const int width = part.width(m);
            const size_t length = static_cast<size_t>(width) * static_cast<size_t>(N);
            uint8_t b6 = static_cast<uint8_t>(nBlk);
            uint8_t b7 = static_cast<uint8_t>(m + 1);

            const uint8_t* px = volume.pixel(x, y);  // a row is contiguous in the volume
            gatherCameraWeights(px, width, N, position.data(), weights.data(), seen.data());
            for (int j = 0; j < N && j < 6; ++j)
                if (seen[static_cast<size_t>(j)] != 0) markCameraPresent(j, b6, b7);
            if (m == nBlk - 1) {
                b6 |= kBlendPresenceBits;
                b7 |= kBlendPresenceBits;
            }
            if (!part.aligned(m)) {
                BlendTableOutcome bad;
                bad.misaligned = true;
                bad.width = width;
                bad.x = x;
                return bad;
            }

            RunState& s = runs[static_cast<size_t>(m)];
            BlendRecordHeader header;
            header.rowField = static_cast<uint16_t>(y);
            header.x = static_cast<uint16_t>(x);
            header.width = static_cast<uint16_t>(width);
            header.byte6 = b6;
            header.byte7 = b7;
            auto writeRecord = [&] {
                header.writeTo(out);
                out.bytes(weights.data(), length);
            };
            if (s.compare.size() == length &&
                std::memcmp(s.compare.data(), weights.data(), length) == 0) {
                writeRecord();
                ++s.length;
                if (s.length >= kBlendMaxRunRows || y == H - 1) closeRun(out, s, true, rowBytes);
            } else {
                closeRun(out, s, false, rowBytes);
                s.y0 = y;
                s.compare.assign(weights.begin(),
                                 weights.begin() + static_cast<std::ptrdiff_t>(length));
                writeRecord();
                ++s.length;
            }
        }
    }

    BlendTableOutcome done;
    done.records = static_cast<uint32_t>(H) * static_cast<uint32_t>(nBlk);
    return done;
}

}  // namespace

BlendTableOutcome buildBlendTable4K(LittleEndianWriter& out, const WeightVolume& volume, int N,
                                    int W, int H, const std::vector<int>& drawOrder) {
    assert(volume.width() >= W && volume.height() >= H && volume.positions() == N);
    return buildTable(out, volume, N, W, H, drawOrder);
}

BlendTableOutcome buildBlendTable4K(LittleEndianWriter& out, WeightRows& volume, int N, int W,
                                    int H, const std::vector<int>& drawOrder) {
    return buildTable(out, volume, N, W, H, drawOrder);
}
