#include "geometry/ContentSeam.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr float kUnreachable = std::numeric_limits<float>::infinity();
// What a fade narrower than allowed costs per column of half-width it lacks:
// taken only where nothing wider fits, and then as wide as fits.
constexpr float kTooNarrow = 1000.0f;

// Brightness of a BGRA layer, and its validity.
void brightness(const cv::Mat& layer, cv::Mat& grey, cv::Mat& valid) {
    grey.create(layer.size(), CV_32F);
    valid.create(layer.size(), CV_8U);
    for (int r = 0; r < layer.rows; ++r) {
        const uint8_t* p = layer.ptr<uint8_t>(r);
        float* g = grey.ptr<float>(r);
        uint8_t* v = valid.ptr<uint8_t>(r);
        for (int c = 0; c < layer.cols; ++c, p += 4) {
            g[c] = (p[0] + p[1] + p[2]) / 3.0f;
            v[c] = p[3] != 0;
        }
    }
}

// Central difference that looks only at valid neighbours (one-sided at a
// layer's edge, so the black outside it reads as no gradient).
float slope(const float* before, bool beforeValid, float here, const float* after,
            bool afterValid) {
    const float a = afterValid ? *after : here, b = beforeValid ? *before : here;
    return (a - b) * (afterValid && beforeValid ? 0.5f : 1.0f);
}

// Per-pixel disagreement of one row where both layers are valid (0 elsewhere),
// and whether both are valid.
void rowCost(const cv::Mat& upper, const cv::Mat& lower, const cv::Mat& gu, const cv::Mat& gl,
             const cv::Mat& vu, const cv::Mat& vl, int r, double gradientWeight, float* cost,
             uint8_t* both) {
    const int w = upper.cols, h = upper.rows;
    const uint8_t* pu = upper.ptr<uint8_t>(r);
    const uint8_t* pl = lower.ptr<uint8_t>(r);
    const float* g[2] = {gu.ptr<float>(r), gl.ptr<float>(r)};
    const uint8_t* v[2] = {vu.ptr<uint8_t>(r), vl.ptr<uint8_t>(r)};
    const float* gUp[2] = {r > 0 ? gu.ptr<float>(r - 1) : nullptr,
                           r > 0 ? gl.ptr<float>(r - 1) : nullptr};
    const uint8_t* vUp[2] = {r > 0 ? vu.ptr<uint8_t>(r - 1) : nullptr,
                             r > 0 ? vl.ptr<uint8_t>(r - 1) : nullptr};
    const float* gDown[2] = {r + 1 < h ? gu.ptr<float>(r + 1) : nullptr,
                             r + 1 < h ? gl.ptr<float>(r + 1) : nullptr};
    const uint8_t* vDown[2] = {r + 1 < h ? vu.ptr<uint8_t>(r + 1) : nullptr,
                               r + 1 < h ? vl.ptr<uint8_t>(r + 1) : nullptr};
    const float weight = static_cast<float>(gradientWeight) * 0.5f;
    for (int c = 0; c < w; ++c) {
        both[c] = v[0][c] && v[1][c];
        if (!both[c]) {
            cost[c] = 0;
            continue;
        }
        const uint8_t* a = pu + c * 4;
        const uint8_t* b = pl + c * 4;
        const float colour =
            (std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2])) / 3.0f;
        float dx[2], dy[2];
        for (int k = 0; k < 2; ++k) {
            dx[k] = slope(g[k] + c - 1, c > 0 && v[k][c - 1], g[k][c], g[k] + c + 1,
                          c + 1 < w && v[k][c + 1]);
            dy[k] = slope(gUp[k] ? gUp[k] + c : nullptr, gUp[k] && vUp[k][c], g[k][c],
                          gDown[k] ? gDown[k] + c : nullptr, gDown[k] && vDown[k][c]);
        }
        cost[c] = colour + weight * (std::fabs(dx[0] - dx[1]) + std::fabs(dy[0] - dy[1]));
    }
}

// Half-widths of the bands tried (a band of half-width h blends 2h + 1
// columns, a fade of 2h + 2), widest first, and what each costs.
struct Band {
    int half;
    float cost;
};

std::vector<Band> bandsFor(const ContentSeamOptions& o) {
    const int widest = std::max(0, (o.fadeWidth - 2) / 2);
    const int narrowest = std::clamp((o.narrowestFade - 2) / 2, 0, widest);
    std::vector<Band> bands;
    for (int h = widest; h >= 0;) {
        float cost = kTooNarrow * static_cast<float>(narrowest - h);
        if (h >= narrowest)
            cost = widest == narrowest
                       ? 0.0f
                       : static_cast<float>(o.narrowingCost * (widest - h) / (widest - narrowest));
        bands.push_back({h, cost});
        if (h == 0) break;
        // Steps of about a third, and the narrowest allowed one on the way.
        int next = std::min(h - 1, h * 2 / 3);
        if (h > narrowest && next < narrowest) next = narrowest;
        h = next;
    }
    return bands;
}

// One row's per-pixel costs summed for windows: the mean over columns
// lo .. hi, when all of them are valid in both layers.
class RowWindows {
public:
    void reset(const float* cost, const uint8_t* both, int width) {
        sum_.resize(static_cast<size_t>(width) + 1);
        count_.resize(static_cast<size_t>(width) + 1);
        first_ = last_ = -1;
        for (int c = 0; c < width; ++c) {
            sum_[c + 1] = sum_[c] + cost[c];
            count_[c + 1] = count_[c] + both[c];
            if (both[c]) {
                if (first_ < 0) first_ = c;
                last_ = c;
            }
        }
    }
    // The first and last column valid in both; -1 when there is none.
    int first() const { return first_; }
    int last() const { return last_; }
    float mean(int lo, int hi) const {
        if (lo < 0 || hi + 1 >= static_cast<int>(sum_.size()) ||
            count_[hi + 1] - count_[lo] != hi - lo + 1)
            return kUnreachable;
        return static_cast<float>((sum_[hi + 1] - sum_[lo]) / (hi - lo + 1));
    }

private:
    std::vector<double> sum_;
    std::vector<int> count_;
    int first_ = -1, last_ = -1;
};

// The cost of the cheapest band of `bands` around column s (unreachable
// when none fits).
float cheapestBand(const RowWindows& row, const std::vector<Band>& bands, int s) {
    float best = kUnreachable;
    for (const Band& b : bands) best = std::min(best, row.mean(s - b.half, s + b.half) + b.cost);
    return best;
}

}  // namespace

RowSeam findContentSeam(const cv::Mat& upper, const cv::Mat& lower, bool upperKeepsLeft,
                        const ContentSeamOptions& options) {
    CV_Assert(upper.type() == CV_8UC4 && lower.type() == CV_8UC4 && upper.size() == lower.size());
    RowSeam seam;
    seam.upperKeepsLeft = upperKeepsLeft;
    seam.rows.resize(static_cast<size_t>(upper.rows));
    const int w = upper.cols, h = upper.rows;
    if (w == 0 || h == 0) return seam;
    cv::Mat gu, gl, vu, vl;
    brightness(upper, gu, vu);
    brightness(lower, gl, vl);
    cv::Mat cost(h, w, CV_32F), both(h, w, CV_8U);
    for (int r = 0; r < h; ++r)
        rowCost(upper, lower, gu, gl, vu, vl, r, options.gradientWeight, cost.ptr<float>(r),
                both.ptr<uint8_t>(r));
    const std::vector<Band> bands = bandsFor(options);
    const int step = std::max(0, options.maxStep);
    const float stepCost = static_cast<float>(options.stepCost);

    // The seam's column: per row and column the cost of the best seam ending
    // there (each row at its cheapest band) and the column it came from.
    std::vector<int> from(static_cast<size_t>(w) * h, -1);
    std::vector<float> total(static_cast<size_t>(w), kUnreachable), next(total);
    std::vector<int> cutRows;  // rows with common pixels, in order
    RowWindows row;
    for (int r = 0; r < h; ++r) {
        row.reset(cost.ptr<float>(r), both.ptr<uint8_t>(r), w);
        if (row.first() < 0) continue;
        const double middle = (row.first() + row.last()) / 2.0;
        const double half = std::max(1.0, (row.last() - row.first()) / 2.0);
        std::fill(next.begin(), next.end(), kUnreachable);
        // The step bound grows over rows without common pixels; a row the
        // previous one cannot reach within it is joined from anywhere.
        const int reach = cutRows.empty() ? 0 : step * (r - cutRows.back());
        bool reached = cutRows.empty();
        for (int attempt = 0; attempt < 2 && (attempt == 0 || !reached); ++attempt) {
            const int span = attempt == 0 ? reach : w;
            for (int s = row.first(); s <= row.last(); ++s) {
                const float own = cheapestBand(row, bands, s);
                if (!std::isfinite(own)) continue;
                const float pull =
                    static_cast<float>(options.middlePull * std::fabs(s - middle) / half);
                float best = cutRows.empty() ? 0.0f : kUnreachable;
                int bestAt = -1;
                for (int t = std::max(0, s - span);
                     !cutRows.empty() && t <= std::min(w - 1, s + span); ++t) {
                    const float c = total[static_cast<size_t>(t)] + stepCost * std::abs(s - t);
                    if (c < best) best = c, bestAt = t;
                }
                if (!std::isfinite(best)) continue;
                next[static_cast<size_t>(s)] = own + pull + best;
                from[static_cast<size_t>(r) * w + s] = bestAt;
                reached = true;
            }
        }
        if (!reached) continue;
        std::swap(total, next);
        cutRows.push_back(r);
    }
    if (cutRows.empty()) return seam;
    std::vector<int> column(cutRows.size());
    int s = static_cast<int>(std::min_element(total.begin(), total.end()) - total.begin());
    for (size_t k = cutRows.size(); k-- > 0;) {
        column[k] = s;
        s = from[static_cast<size_t>(cutRows[k]) * w + s];
    }

    // The fade along that line: per row a band, changing width between rows
    // only where that pays, so the fade's outline stays calm where the
    // cameras agree anyway.
    const size_t nb = bands.size();
    const float change = static_cast<float>(options.fadeChangeCost) /
                         static_cast<float>(std::max(1, bands.front().half));
    std::vector<float> fade(nb, 0.0f), fadeNext(nb);
    std::vector<uint8_t> fadeFrom(cutRows.size() * nb, 0);
    for (size_t k = 0; k < cutRows.size(); ++k) {
        row.reset(cost.ptr<float>(cutRows[k]), both.ptr<uint8_t>(cutRows[k]), w);
        for (size_t b = 0; b < nb; ++b) {
            const float own =
                row.mean(column[k] - bands[b].half, column[k] + bands[b].half) + bands[b].cost;
            float best = k == 0 ? 0.0f : kUnreachable;
            for (size_t p = 0; k > 0 && p < nb; ++p) {
                const float c = fade[p] + change * std::abs(bands[b].half - bands[p].half);
                if (c < best) best = c, fadeFrom[k * nb + b] = static_cast<uint8_t>(p);
            }
            fadeNext[b] = own + best;
        }
        std::swap(fade, fadeNext);
    }
    size_t b = static_cast<size_t>(std::min_element(fade.begin(), fade.end()) - fade.begin());
    for (size_t k = cutRows.size(); k-- > 0;) {
        const int hw = bands[b].half;
        seam.rows[static_cast<size_t>(cutRows[k])] =
            seamRowOver(column[k] - hw, column[k] + hw, upperKeepsLeft);
        b = fadeFrom[k * nb + b];
    }
    // Rows without common pixels repeat the nearest cut row, uncut.
    int before = -1;
    size_t after = 0;
    for (int r = 0; r < h; ++r) {
        if (seam.rows[static_cast<size_t>(r)].cut) {
            before = r;
            ++after;
            continue;
        }
        int nearest = before;
        if (after < cutRows.size() && (before < 0 || cutRows[after] - r < r - before))
            nearest = cutRows[after];
        seam.rows[static_cast<size_t>(r)] = seam.rows[static_cast<size_t>(nearest)];
        seam.rows[static_cast<size_t>(r)].cut = false;
    }
    return seam;
}
