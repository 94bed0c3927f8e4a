#include "tables/DeviceView.h"

#include <cmath>
#include <limits>

#include "export/RemapEntry.h"
#include "export/SourceBlocks.h"

namespace {

constexpr uint32_t kMaxFx = 16 * (kSourceBlockWidth - 1);
constexpr uint32_t kMaxFy = 16 * (kSourceBlockHeight - 1);

// Bilinear sample of an 8-bit BGR frame at (px, py) in 1/256 pixel.
inline void sampleAt(const cv::Mat& f, int64_t px, int64_t py, uint8_t* out) {
    const int ax = static_cast<int>(px & 255), ay = static_cast<int>(py & 255);
    auto clampTo = [](int64_t v, int n) {
        return static_cast<int>(std::min<int64_t>(std::max<int64_t>(v, 0), n - 1));
    };
    const int x0 = clampTo(px >> 8, f.cols), x1 = clampTo((px >> 8) + 1, f.cols);
    const int y0 = clampTo(py >> 8, f.rows), y1 = clampTo((py >> 8) + 1, f.rows);
    const uint8_t* r0 = f.ptr<uint8_t>(y0);
    const uint8_t* r1 = f.ptr<uint8_t>(y1);
    for (int ch = 0; ch < 3; ++ch) {
        const int top = r0[3 * x0 + ch] * (256 - ax) + r0[3 * x1 + ch] * ax;
        const int bottom = r1[3 * x0 + ch] * (256 - ax) + r1[3 * x1 + ch] * ax;
        out[ch] = static_cast<uint8_t>((top * (256 - ay) + bottom * ay + 32768) >> 16);
    }
}

// Per camera: where it has an entry and, when rendering, what it reads there;
// and the weights of every pixel (H x W x N, rows past weightRows weigh 0).
struct Layers {
    int W = 0, H = 0, N = 0;
    std::vector<cv::Mat> has, sample;
    std::vector<uint64_t> entries;
    const uint8_t* weights = nullptr;
    int weightRows = 0;
    std::vector<uint8_t> ownWeights;

    Layers(int w, int h, int n, bool render) : W(w), H(h), N(n), entries(n, 0) {
        for (int c = 0; c < n; ++c) {
            has.push_back(cv::Mat::zeros(h, w, CV_8U));
            sample.push_back(render ? cv::Mat::zeros(h, w, CV_8UC3) : cv::Mat());
        }
    }
    uint8_t weight(int x, int y, int c) const {
        return y < weightRows ? weights[(static_cast<size_t>(y) * W + x) * N + c] : 0;
    }
};

bool usable(const std::vector<cv::Mat>* frames, int c) {
    return frames && c < static_cast<int>(frames->size()) && !(*frames)[c].empty() &&
           (*frames)[c].type() == CV_8UC3;
}

Layers deviceLayers(const DeviceTable& t, const std::vector<cv::Mat>* frames) {
    Layers L(t.W, t.H, t.N, frames != nullptr);
    L.weights = t.blend.weights.data();
    L.weightRows = t.blend.rowsRead;
    cv::parallel_for_(cv::Range(0, static_cast<int>(t.records.size())), [&](const cv::Range& r) {
        for (int c = r.start; c < r.end; ++c) {
            const bool render = usable(frames, c);
            uint64_t count = 0;
            for (const RedressRecord& rec : t.records[static_cast<size_t>(c)]) {
                for (int i = 0; i < rec.rows && rec.panoY + i < t.H; ++i) {
                    const int y = rec.panoY + i;
                    uint8_t* has = L.has[c].ptr<uint8_t>(y);
                    uint8_t* out = render ? L.sample[c].ptr<uint8_t>(y) : nullptr;
                    for (int j = 0; j < rec.width && rec.panoX + j < t.W; ++j) {
                        const size_t k = static_cast<size_t>(i) * rec.width + j;
                        if (k >= rec.entries.size()) break;
                        const uint32_t e = rec.entries[k];
                        const uint32_t fx = e & 0xFFFF, fy = e >> 16;
                        if (e == kInvalidEntry || fx > kMaxFx || fy > kMaxFy) continue;
                        const int x = rec.panoX + j;
                        ++count;
                        has[x] = 255;
                        if (render)
                            sampleAt((*frames)[c], (int64_t(rec.srcX0) * 16 + fx) << 4,
                                     (int64_t(rec.srcY0) * 16 + fy) << 4, out + 3 * x);
                    }
                }
            }
            L.entries[static_cast<size_t>(c)] = count;
        }
    });
    return L;
}

Layers quickWeaveLayers(const QuickWeaveTable& t, const std::vector<cv::Size>& sizes,
                        const std::vector<cv::Mat>* frames) {
    Layers L(t.W, t.H, t.N, frames != nullptr);
    L.ownWeights.assign(static_cast<size_t>(t.W) * t.H * t.N, 0);
    L.weights = L.ownWeights.data();
    L.weightRows = t.H;
    cv::parallel_for_(cv::Range(0, static_cast<int>(t.cameras.size())), [&](const cv::Range& r) {
        for (int c = r.start; c < r.end; ++c) {
            const QuickWeaveCamera& cam = t.cameras[static_cast<size_t>(c)];
            const bool render = usable(frames, c);
            const cv::Size size = c < static_cast<int>(sizes.size()) ? sizes[c] : cv::Size();
            // As the device tables' entries: up to a pixel before the frame's
            // first column or row counts (and reads the edge). Without the
            // frame's size only [0, 1) is known to lie inside.
            const float beforeX = size.width > 0 ? -1.0f / size.width : 0.0f;
            const float beforeY = size.height > 0 ? -1.0f / size.height : 0.0f;
            uint64_t count = 0;
            for (int row = 0; row < cam.positions.rows; ++row) {
                const int y = cam.offsetY + row;
                if (y < 0 || y >= t.H) continue;
                const cv::Vec2f* pos = cam.positions.ptr<cv::Vec2f>(row);
                const uint8_t* w = cam.weights.ptr<uint8_t>(row);
                for (int col = 0; col < cam.positions.cols; ++col) {
                    const int x = cam.offsetX + col;
                    if (x < 0 || x >= t.W) continue;
                    L.ownWeights[(static_cast<size_t>(y) * t.W + x) * t.N + c] = w[col];
                    const float nx = pos[col][0], ny = pos[col][1];
                    // Also false for NaN.
                    const bool inside = (nx > beforeX || nx == 0) && (ny > beforeY || ny == 0);
                    if (!(inside && nx < 1 && ny < 1)) continue;
                    ++count;
                    L.has[c].at<uint8_t>(y, x) = 255;
                    if (render)
                        sampleAt((*frames)[c], std::llround(double(nx) * size.width * 256),
                                 std::llround(double(ny) * size.height * 256),
                                 L.sample[c].ptr<uint8_t>(y) + 3 * x);
                }
            }
            L.entries[static_cast<size_t>(c)] = count;
        }
    });
    return L;
}

DeviceView combine(const Layers& L) {
    DeviceView v;
    v.image = cv::Mat::zeros(L.H, L.W, CV_8UC3);
    v.covered = cv::Mat::zeros(L.H, L.W, CV_8U);
    cv::parallel_for_(cv::Range(0, L.H), [&](const cv::Range& r) {
        for (int y = r.start; y < r.end; ++y) {
            uint8_t* out = v.image.ptr<uint8_t>(y);
            uint8_t* covered = v.covered.ptr<uint8_t>(y);
            for (int x = 0; x < L.W; ++x) {
                unsigned sum = 0, acc[3] = {0, 0, 0};
                for (int c = 0; c < L.N; ++c) {
                    const unsigned w = L.weight(x, y, c);
                    if (w == 0) continue;
                    sum += w;
                    if (!L.has[c].at<uint8_t>(y, x)) continue;  // nothing to read: black
                    const uint8_t* s = L.sample[c].ptr<uint8_t>(y) + 3 * x;
                    for (int ch = 0; ch < 3; ++ch) acc[ch] += w * s[ch];
                }
                if (sum == 0) continue;
                covered[x] = 255;
                for (int ch = 0; ch < 3; ++ch)
                    out[3 * x + ch] = static_cast<uint8_t>((acc[ch] + sum / 2) / sum);
            }
        }
    });
    return v;
}

TableCoverage coverage(const Layers& L, const std::vector<uint64_t>& records) {
    TableCoverage t;
    t.pixels = static_cast<uint64_t>(L.W) * L.H;
    t.cameras.resize(static_cast<size_t>(L.N));
    for (int c = 0; c < L.N; ++c) {
        t.cameras[c].records = c < static_cast<int>(records.size()) ? records[c] : 0;
        t.cameras[c].entries = L.entries[static_cast<size_t>(c)];
    }
    for (int y = 0; y < L.H; ++y)
        for (int x = 0; x < L.W; ++x) {
            unsigned sum = 0;
            bool any = false;
            for (int c = 0; c < L.N; ++c) {
                const uint8_t w = L.weight(x, y, c);
                const bool has = L.has[c].at<uint8_t>(y, x) != 0;
                any = any || has;
                sum += w;
                if (w == 0) continue;
                ++t.cameras[c].weighted;
                if (!has) ++t.cameras[c].holes;
            }
            if (sum > 0)
                ++t.covered;
            else if (any)
                ++t.uncoveredInUnion;
        }
    return t;
}

}  // namespace

DeviceView renderDeviceView(const DeviceTable& table, const std::vector<cv::Mat>& frames) {
    if (!viewFits(table.W, table.H, table.N)) return DeviceView();
    return combine(deviceLayers(table, &frames));
}

DeviceView renderDeviceView(const QuickWeaveTable& table, const std::vector<cv::Mat>& frames) {
    if (!viewFits(table.W, table.H, table.N)) return DeviceView();
    std::vector<cv::Size> sizes;
    for (const cv::Mat& f : frames) sizes.push_back(f.size());
    return combine(quickWeaveLayers(table, sizes, &frames));
}

TableCoverage measureCoverage(const DeviceTable& table) {
    if (!viewFits(table.W, table.H, table.N)) return TableCoverage();
    std::vector<uint64_t> records;
    for (const auto& r : table.records) records.push_back(r.size());
    return coverage(deviceLayers(table, nullptr), records);
}

TableCoverage measureCoverage(const QuickWeaveTable& table, const std::vector<cv::Size>& sizes) {
    if (!viewFits(table.W, table.H, table.N)) return TableCoverage();
    return coverage(quickWeaveLayers(table, sizes, nullptr), {});
}

double maskedPsnr(const cv::Mat& a, const cv::Mat& b, const cv::Mat& mask) {
    CV_Assert(a.size() == b.size() && a.type() == b.type() && a.depth() == CV_8U);
    double sse = 0;
    uint64_t n = 0;
    const int ch = a.channels();
    for (int y = 0; y < a.rows; ++y) {
        const uint8_t* pa = a.ptr<uint8_t>(y);
        const uint8_t* pb = b.ptr<uint8_t>(y);
        const uint8_t* m = mask.empty() ? nullptr : mask.ptr<uint8_t>(y);
        for (int x = 0; x < a.cols; ++x) {
            if (m && !m[x]) continue;
            for (int k = 0; k < ch; ++k) {
                const double d = double(pa[ch * x + k]) - pb[ch * x + k];
                sse += d * d;
            }
            n += ch;
        }
    }
    if (n == 0) return 0;
    if (sse == 0) return std::numeric_limits<double>::infinity();
    return 10 * std::log10(255.0 * 255.0 * double(n) / sse);
}
