#include "export/BlendTable4K.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>

#include "export/LittleEndianWriter.h"

namespace {

constexpr int kMaxRunRows = 32;

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
        out.patchU16(at, static_cast<uint16_t>(row | ((k0 + i) << 11)));
    }
    s.length = 0;
    s.compare.clear();
}

// The weights of `width` pixels from the volume row `px` (N bytes per pixel,
// by stacking position) into camera order; seen[j] becomes nonzero when camera
// j weighs anything. Fixed camera counts let the compiler unroll the pixel.
template <int N>
void gatherFixed(const uint8_t* px, int width, const int* position, uint8_t* out, uint8_t* seen) {
    int pos[N];
    uint8_t acc[N] = {};
    for (int j = 0; j < N; ++j) pos[j] = position[j];
    for (int p = 0; p < width; ++p, px += N, out += N)
        for (int j = 0; j < N; ++j) {
            out[j] = px[pos[j]];
            acc[j] |= out[j];
        }
    for (int j = 0; j < N; ++j) seen[j] = acc[j];
}

// Every camera has a stacking position.
void gather(const uint8_t* px, int width, int N, const int* position, uint8_t* out, uint8_t* seen) {
    switch (N) {
        case 1:
            return gatherFixed<1>(px, width, position, out, seen);
        case 2:
            return gatherFixed<2>(px, width, position, out, seen);
        case 3:
            return gatherFixed<3>(px, width, position, out, seen);
        case 4: {
            const uint32_t any = gatherPixels4(px, width, position, out);
            for (int j = 0; j < 4; ++j) seen[j] = static_cast<uint8_t>(any >> (8 * j));
            return;
        }
        case 5:
            return gatherFixed<5>(px, width, position, out, seen);
        case 6:
            return gatherFixed<6>(px, width, position, out, seen);
        case 7:
            return gatherFixed<7>(px, width, position, out, seen);
        case 8:
            return gatherFixed<8>(px, width, position, out, seen);
        default:
            break;
    }
    std::fill(seen, seen + N, 0);
    for (int p = 0; p < width; ++p, px += N)
        for (int j = 0; j < N; ++j, ++out) {
            *out = px[position[j]];
            seen[j] |= *out;
        }
}

// Some camera is missing from drawOrder (position -1): it weighs 0.
void gatherSlow(const uint8_t* px, int width, int N, const int* position, uint8_t* out,
                uint8_t* seen) {
    std::fill(seen, seen + N, 0);
    for (int p = 0; p < width; ++p, px += N)
        for (int j = 0; j < N; ++j, ++out) {
            *out = position[j] >= 0 ? px[position[j]] : 0;
            seen[j] |= *out;
        }
}

}  // namespace

int64_t blendTable4KRowBytes(const BlendPartition& partition, int N) {
    int64_t bytes = 0;
    for (int m = 0; m < partition.blockCount; ++m)
        bytes += 8 + static_cast<int64_t>(partition.width(m)) * N;
    return bytes;
}

std::optional<ExportResult> checkBlendTable4KSize(int N, int W, int H, const std::string& path) {
    if (W < 0 || H < 0) {
        return failExport(path, "Cannot write %s: the panorama size %d x %d is not valid\r\n",
                          path.c_str(), W, H);
    }
    if (H > kBlendTable4KMaxRows) {
        return failExport(path,
                          "Cannot write %s: the panorama is %d rows high, the 4K table holds at "
                          "most %d rows\r\n",
                          path.c_str(), H, kBlendTable4KMaxRows);
    }
    if (W > kBlendTable4KMaxWidth) {
        return failExport(path,
                          "Cannot write %s: the panorama is %d columns wide, the 4K table holds "
                          "at most %d columns\r\n",
                          path.c_str(), W, kBlendTable4KMaxWidth);
    }
    const BlendPartition part = blendPartition(W, N);
    if (part.blockCount > kBlendTable4KMaxBlocks) {
        return failExport(path,
                          "Cannot write %s: a %d pixel wide panorama of %d cameras needs %d blend "
                          "blocks per row, the 4K table holds at most %d\r\n",
                          path.c_str(), W, N, part.blockCount, kBlendTable4KMaxBlocks);
    }
    return std::nullopt;
}

namespace {

// Volume: WeightVolume or WeightRows; rows are read top to bottom.
template <class Volume>
BlendTable4KOutcome buildTable(LittleEndianWriter& out, Volume& volume, int N, int W, int H,
                               const std::vector<int>& drawOrder) {
    const BlendPartition part = blendPartition(W, N);
    assert(part.blockWidth > 0 && H <= kBlendTable4KMaxRows &&
           part.blockCount <= kBlendTable4KMaxBlocks && W <= kBlendTable4KMaxWidth);
    const int nBlk = part.blockCount;
    const int64_t rowBytes = blendTable4KRowBytes(part, N);

    // Stacking position of each camera; a camera missing from drawOrder has
    // no layer in the volume and so weighs 0 everywhere.
    std::vector<int> position(static_cast<size_t>(N), -1);
    for (int l = static_cast<int>(drawOrder.size()) - 1; l >= 0; --l) {
        const int j = drawOrder[static_cast<size_t>(l)];
        if (j >= 0 && j < N && l < N) position[static_cast<size_t>(j)] = l;
    }

    const bool allPlaced = std::find(position.begin(), position.end(), -1) == position.end();

    std::vector<RunState> runs(static_cast<size_t>(nBlk));
    for (int m = 0; m < nBlk; ++m) {
        RunState& s = runs[static_cast<size_t>(m)];
        s.compare.assign(static_cast<size_t>(part.width(m)) * static_cast<size_t>(N), 0);
        s.recordSize = 8 + static_cast<int64_t>(part.width(m)) * N;
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
            if (allPlaced)
                gather(px, width, N, position.data(), weights.data(), seen.data());
            else
                gatherSlow(px, width, N, position.data(), weights.data(), seen.data());
            for (int j = 0; j < N && j < 6; ++j) {
                if (seen[static_cast<size_t>(j)] == 0) continue;
                if (j < 3)
                    b7 |= static_cast<uint8_t>(1u << (5 + j));
                else
                    b6 |= static_cast<uint8_t>(1u << (5 + j - 3));
            }
            if (m == nBlk - 1) {
                b6 |= 0xE0;
                b7 |= 0xE0;
            }
            if (width % 4 != 0 || x % 4 != 0) {
                BlendTable4KOutcome bad;
                bad.misaligned = true;
                bad.width = width;
                bad.x = x;
                return bad;
            }

            RunState& s = runs[static_cast<size_t>(m)];
            auto writeRecord = [&] {
                out.u16(static_cast<uint16_t>(y));
                out.u16(static_cast<uint16_t>(x));
                out.u16(static_cast<uint16_t>(width));
                out.u8(b6);
                out.u8(b7);
                out.bytes(weights.data(), length);
            };
            if (s.compare.size() == length &&
                std::memcmp(s.compare.data(), weights.data(), length) == 0) {
                writeRecord();
                ++s.length;
                if (s.length >= kMaxRunRows || y == H - 1) closeRun(out, s, true, rowBytes);
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

    BlendTable4KOutcome done;
    done.recordCount = static_cast<uint32_t>(H) * static_cast<uint32_t>(nBlk);
    return done;
}

}  // namespace

BlendTable4KOutcome buildBlendTable4K(LittleEndianWriter& out, const WeightVolume& volume, int N,
                                      int W, int H, const std::vector<int>& drawOrder) {
    assert(volume.width() >= W && volume.height() >= H && volume.positions() == N);
    return buildTable(out, volume, N, W, H, drawOrder);
}

BlendTable4KOutcome buildBlendTable4K(LittleEndianWriter& out, WeightRows& volume, int N, int W,
                                      int H, const std::vector<int>& drawOrder) {
    return buildTable(out, volume, N, W, H, drawOrder);
}

ExportResult blendTable4KMisaligned(const BlendTable4KOutcome& outcome, const std::string& path) {
    return failExport(path, "blend table do not 4 byte align pixlen:%d pos.x:%d\r\n", outcome.width,
                      outcome.x);
}

ExportResult writeBlendTable4K(LittleEndianWriter& out, const WeightVolume& volume, int N, int W,
                               int H, const std::vector<int>& drawOrder, uint32_t* recordCount) {
    const BlendTable4KOutcome outcome = buildBlendTable4K(out, volume, N, W, H, drawOrder);
    if (outcome.misaligned) return blendTable4KMisaligned(outcome, std::string());
    std::printf("total count:%d\r\n", static_cast<int>(outcome.recordCount));
    std::fflush(stdout);
    if (recordCount) *recordCount = outcome.recordCount;
    return ExportResult::done(std::string());
}
