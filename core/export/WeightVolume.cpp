#include "export/WeightVolume.h"

#include <array>
#include <cassert>
#include <cmath>
#include <cstring>

WeightVolume::WeightVolume(int W, int H, int N)
    : W_(W),
      H_(H),
      N_(N),
      rows_(H + 1),
      data_(static_cast<size_t>(W + 1) * static_cast<size_t>(H + 1) * static_cast<size_t>(N), 0) {
    assert(W >= 0 && H >= 0 && N >= 0);
}

WeightVolume WeightVolume::build(const ExportSnapshot& snapshot) {
    return buildRows(snapshot, 0, snapshot.H + 1);
}

WeightVolume WeightVolume::buildRows(const ExportSnapshot& snapshot, int firstRow, int rows) {
    WeightVolume v;
    v.rebuildRows(snapshot, firstRow, rows);
    return v;
}

void WeightVolume::rebuildRows(const ExportSnapshot& snapshot, int firstRow, int rows) {
    assert(firstRow >= 0 && rows >= 0 && firstRow + rows <= snapshot.H + 1);
    const int N = snapshot.cameraCount;
    W_ = snapshot.W;
    H_ = snapshot.H;
    N_ = N;
    firstRow_ = firstRow;
    rows_ = rows;
    data_.assign(static_cast<size_t>(W_ + 1) * static_cast<size_t>(rows) * static_cast<size_t>(N),
                 0);
    const int lastRow = firstRow + rows - 1;
    for (int p = 0; p < N && p < static_cast<int>(snapshot.drawOrder.size()); ++p) {
        const int camIndex = snapshot.drawOrder[static_cast<size_t>(p)];
        if (camIndex < 0 || camIndex >= N) continue;
        const CameraSnapshot& cam = snapshot.cameras[static_cast<size_t>(camIndex)];
        const cv::Mat& w = cam.weights;
        if (w.empty()) continue;
        // Only the part of the image that lands on the (W + 1) x (H + 1) grid,
        // within the rows held.
        const int k0 = std::max(0, -cam.offsetX);
        const int k1 = std::min(w.cols - 1, snapshot.W - cam.offsetX);
        const int r0 = std::max(0, firstRow - cam.offsetY);
        const int r1 = std::min(w.rows - 1, lastRow - cam.offsetY);
        for (int r = r0; r <= r1; ++r) {
            const uint8_t* row = w.ptr<uint8_t>(r);
            uint8_t* out = &at(cam.offsetX + k0, cam.offsetY + r, p);
            int k = k0;
            // The volume starts at 0: pairs of transparent pixels (most of a
            // full-canvas layer) are stepped over.
            for (; k + 1 <= k1; k += 2, out += 2 * N) {
                const uint8_t a = row[4 * k + 3], b = row[4 * k + 7];
                if ((a | b) == 0) continue;
                out[0] = a;
                out[N] = b;
            }
            for (; k <= k1; ++k, out += N) *out = row[4 * k + 3];
        }
    }
    normalise();
}

namespace {

// remaining starts at 255 and only ever loses whole values, so it is always an
// integer 0..255: the double formula is tabulated once per pair.
const std::vector<uint8_t>& scaleTable() {
    static const std::vector<uint8_t> table = [] {
        std::vector<uint8_t> t(256 * 256);
        for (int v = 0; v < 256; ++v)
            for (int rem = 0; rem < 256; ++rem)
                t[static_cast<size_t>(v * 256 + rem)] =
                    rem <= 0
                        ? 0
                        : static_cast<uint8_t>(std::trunc(v / 255.0 * static_cast<double>(rem)));
        return t;
    }();
    return table;
}

// One pixel of n positions, top first.
inline void normalisePixel(uint8_t* px, int n, const uint8_t* table, const uint8_t* full) {
    int remaining = 255;
    for (int p = n - 1; p >= 0; --p) {
        const uint8_t v = px[p];
        // A weight of 0 stays 0 and takes nothing; once nothing remains, every
        // lower weight becomes 0.
        if (v == 0) continue;
        if (remaining == 0) {
            px[p] = 0;
            continue;
        }
        const uint8_t scaled =
            remaining == 255 ? full[v]
                             : table[static_cast<size_t>(v) * 256 + static_cast<size_t>(remaining)];
        px[p] = scaled;
        remaining -= scaled;
    }
}

// All pixels of kN positions in data[0, total). An uncovered pixel stays all 0,
// and much of a panorama is uncovered at most positions: whole pixels are
// skipped while the next 8 bytes are 0. Neighbouring pixels often carry the
// same weights (inside a camera, or where one covers another): the last
// pixel's result is then reused.
template <size_t kN>
void normalisePixels(uint8_t* data, size_t total, const uint8_t* table, const uint8_t* full) {
    constexpr size_t skip = kN <= 8 ? 8 / kN * kN : 0;
    uint8_t lastIn[kN] = {}, lastOut[kN] = {};  // all 0 stays all 0
    size_t at = 0;
    while (at < total) {
        if (skip != 0) {
            uint64_t word;
            while (at + 8 <= total && (std::memcpy(&word, data + at, 8), word == 0)) at += skip;
            if (at >= total) break;
        }
        uint8_t* px = data + at;
        if (std::memcmp(px, lastIn, kN) == 0) {
            std::memcpy(px, lastOut, kN);
        } else {
            std::memcpy(lastIn, px, kN);
            normalisePixel(px, static_cast<int>(kN), table, full);
            std::memcpy(lastOut, px, kN);
        }
        at += kN;
    }
}

}  // namespace

void WeightVolume::normalise() {
    const std::vector<uint8_t>& table = scaleTable();
    // The row for remaining = 255 on its own: the first covering position of
    // most pixels reads it, and it stays in the nearest cache.
    static const std::array<uint8_t, 256> full = [&table] {
        std::array<uint8_t, 256> f{};
        for (int v = 0; v < 256; ++v)
            f[static_cast<size_t>(v)] = table[static_cast<size_t>(v * 256 + 255)];
        return f;
    }();
    if (N_ == 0) return;
    const size_t n = static_cast<size_t>(N_);
    const size_t total = static_cast<size_t>(W_ + 1) * static_cast<size_t>(rows_) * n;
    uint8_t* data = data_.data();
    // Fixed position counts let the compiler inline the comparisons.
    switch (n) {
        case 1:
            return normalisePixels<1>(data, total, table.data(), full.data());
        case 2:
            return normalisePixels<2>(data, total, table.data(), full.data());
        case 3:
            return normalisePixels<3>(data, total, table.data(), full.data());
        case 4:
            return normalisePixels<4>(data, total, table.data(), full.data());
        case 5:
            return normalisePixels<5>(data, total, table.data(), full.data());
        case 6:
            return normalisePixels<6>(data, total, table.data(), full.data());
        case 7:
            return normalisePixels<7>(data, total, table.data(), full.data());
        case 8:
            return normalisePixels<8>(data, total, table.data(), full.data());
        default:
            break;
    }
    for (size_t at = 0; at < total; at += n)
        normalisePixel(data + at, N_, table.data(), full.data());
}
