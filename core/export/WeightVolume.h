// The per-pixel blend weights of all cameras: for every pixel of the panorama
// the weight of every stacking position, normalised so that upper cameras
// cover lower ones and the weights of a pixel sum to at most 255.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "export/ExportSnapshot.h"

// One byte per camera stacking position for every panorama pixel of the
// (W + 1) x (H + 1) grid, addressed as [x][y][p]; p = 0 is the bottom of
// drawOrder. Internally stored row by row (y, then x, then p) so that a
// panorama row is contiguous.
class WeightVolume {
public:
    WeightVolume() = default;
    WeightVolume(int W, int H, int N);

    // Fills position p with the weights (alpha) of the camera drawOrder[p] at
    // its offset, then normalises. Pixels beyond the (W + 1) x (H + 1) grid
    // (or left of / above it) are ignored; drawOrder entries that name no
    // camera leave their position at 0.
    static WeightVolume build(const ExportSnapshot& snapshot);
    // Only the rows firstRow .. firstRow + rows - 1 (all W + 1 columns), with the
    // same bytes as in the whole volume: normalisation is per pixel. Rows
    // outside them must not be asked for.
    static WeightVolume buildRows(const ExportSnapshot& snapshot, int firstRow, int rows);
    // The same into this object, reusing its storage.
    void rebuildRows(const ExportSnapshot& snapshot, int firstRow, int rows);

    // Top position first, each lower position keeps trunc(v / 255.0 * remaining)
    // of what the positions above left over; the weights of a pixel then sum to
    // at most 255.
    void normalise();

    int width() const { return W_; }   // W (the grid has W + 1 columns)
    int height() const { return H_; }  // H (the grid has H + 1 rows)
    int positions() const { return N_; }
    int firstRow() const { return firstRow_; }  // first row held (0 for a whole volume)
    int rowCount() const { return rows_; }      // rows held (H + 1 for a whole volume)
    uint8_t at(int x, int y, int p) const { return data_[index(x, y) + static_cast<size_t>(p)]; }
    uint8_t& at(int x, int y, int p) { return data_[index(x, y) + static_cast<size_t>(p)]; }
    // The N bytes (positions 0..N-1) of pixel (x, y).
    const uint8_t* pixel(int x, int y) const { return data_.data() + index(x, y); }

private:
    size_t index(int x, int y) const {
        return (static_cast<size_t>(y - firstRow_) * static_cast<size_t>(W_ + 1) +
                static_cast<size_t>(x)) *
               static_cast<size_t>(N_);
    }
    int W_ = 0, H_ = 0, N_ = 0;
    int firstRow_ = 0, rows_ = 0;
    std::vector<uint8_t> data_;
};

// The rows of the weight volume a band at a time, for writers that read the
// panorama top to bottom: a band of 16 rows stays in the cache, where the
// whole volume would be (W + 1)(H + 1)N bytes to fill, normalise and read back.
class WeightRows {
public:
    static constexpr int kBandRows = 16;
    explicit WeightRows(const ExportSnapshot& snapshot) : snapshot_(snapshot) {}
    // The N bytes (positions 0..N-1) of pixel (x, y), 0 <= x <= W, 0 <= y <= H;
    // a row is contiguous. Asking for a row outside the current band builds its
    // band.
    const uint8_t* pixel(int x, int y) {
        if (y < band_.firstRow() || y >= band_.firstRow() + band_.rowCount()) {
            const int first = y / kBandRows * kBandRows;
            band_.rebuildRows(snapshot_, first, std::min(kBandRows, snapshot_.H + 1 - first));
        }
        return band_.pixel(x, y);
    }

private:
    const ExportSnapshot& snapshot_;
    WeightVolume band_;
};
