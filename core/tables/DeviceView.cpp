#include "tables/DeviceView.h"

#include <cmath>
#include <limits>

#include "export/RemapEntry.h"
#include "export/SourceBlocks.h"

namespace {

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

// Per camera: where it has an entry and, when rendering, what it reads there,
// both held for the camera's box only (the part of the panorama it can reach);
// and the weights of every pixel: a device table's blend table (H x W x N,
// rows past weightRows weigh 0), or each QuickWeave camera's own weights.
struct Layers {
    int W = 0, H = 0, N = 0;
    // Where any camera can have weight: the whole panorama for a device table
    // (its blend table covers it), the cameras' boxes together for a QuickWeave
    // file, whose claimed panorama its sections need not fill. The view and
    // the coverage look only there, so their work follows what the file holds.
    cv::Rect reach;
    std::vector<cv::Rect> box;
    std::vector<cv::Mat> has, sample;
    std::vector<uint64_t> entries;
    const uint8_t* weights = nullptr;
    int weightRows = 0;
    const std::vector<QuickWeaveCamera>* cameraWeights = nullptr;

    Layers(int w, int h, int n) : W(w), H(h), N(n), entries(n, 0) {}
    // The box is x0..x1-1, y0..y1-1 in panorama pixels, clipped to the
    // panorama (a QuickWeave camera may lie anywhere, even past int's range).
    void addCamera(int64_t x0, int64_t y0, int64_t x1, int64_t y1, bool render) {
        x0 = std::max<int64_t>(x0, 0), y0 = std::max<int64_t>(y0, 0);
        x1 = std::min<int64_t>(x1, W), y1 = std::min<int64_t>(y1, H);
        box.push_back(x1 > x0 && y1 > y0
                          ? cv::Rect(static_cast<int>(x0), static_cast<int>(y0),
                                     static_cast<int>(x1 - x0), static_cast<int>(y1 - y0))
                          : cv::Rect());
        has.push_back(cv::Mat::zeros(box.back().size(), CV_8U));
        sample.push_back(render ? cv::Mat::zeros(box.back().size(), CV_8UC3) : cv::Mat());
    }
    uint8_t weight(int x, int y, int c) const {
        if (!cameraWeights)
            return y < weightRows ? weights[(static_cast<size_t>(y) * W + x) * N + c] : 0;
        if (c >= static_cast<int>(cameraWeights->size())) return 0;
        const QuickWeaveCamera& cam = (*cameraWeights)[static_cast<size_t>(c)];
        const int64_t r = int64_t(y) - cam.offsetY, k = int64_t(x) - cam.offsetX;
        return r >= 0 && r < cam.weights.rows && k >= 0 && k < cam.weights.cols
                   ? cam.weights.at<uint8_t>(static_cast<int>(r), static_cast<int>(k))
                   : 0;
    }
    bool hasEntry(int x, int y, int c) const {
        const cv::Rect& b = box[static_cast<size_t>(c)];
        return b.contains(cv::Point(x, y)) && has[c].at<uint8_t>(y - b.y, x - b.x) != 0;
    }
    // Marks an entry of camera c at panorama (x, y), inside its box; returns
    // where its sample goes (null when not rendering).
    uint8_t* mark(int x, int y, int c) {
        const cv::Rect& b = box[static_cast<size_t>(c)];
        has[c].at<uint8_t>(y - b.y, x - b.x) = 255;
        return sample[c].empty() ? nullptr : sample[c].ptr<uint8_t>(y - b.y) + 3 * (x - b.x);
    }
    const uint8_t* sampleAt(int x, int y, int c) const {
        const cv::Rect& b = box[static_cast<size_t>(c)];
        return sample[c].ptr<uint8_t>(y - b.y) + 3 * (x - b.x);
    }
};

bool usable(const std::vector<cv::Mat>* frames, int c) {
    return frames && c < static_cast<int>(frames->size()) && !(*frames)[c].empty() &&
           (*frames)[c].type() == CV_8UC3;
}

// The panorama pixels a camera's records cover (clipped to the panorama later).
cv::Rect recordBox(const std::vector<RedressRecord>& records) {
    cv::Rect box;
    for (const RedressRecord& rec : records)
        box |= cv::Rect(rec.panoX, rec.panoY, rec.width, rec.rows);
    return box;
}

Layers deviceLayers(const DeviceTable& t, const std::vector<cv::Mat>* frames) {
    Layers L(t.W, t.H, t.N);
    L.reach = cv::Rect(0, 0, t.W, t.H);
    L.weights = t.blend.weights.data();
    L.weightRows = t.blend.rowsRead;
    for (int c = 0; c < t.N; ++c) {
        const cv::Rect b = c < static_cast<int>(t.records.size())
                               ? recordBox(t.records[static_cast<size_t>(c)])
                               : cv::Rect();
        L.addCamera(b.x, b.y, int64_t(b.x) + b.width, int64_t(b.y) + b.height, usable(frames, c));
    }
    cv::parallel_for_(cv::Range(0, static_cast<int>(t.records.size())), [&](const cv::Range& r) {
        for (int c = r.start; c < r.end; ++c) {
            const bool render = usable(frames, c);
            uint64_t count = 0;
            for (const RedressRecord& rec : t.records[static_cast<size_t>(c)]) {
                for (int i = 0; i < rec.rows && rec.panoY + i < t.H; ++i) {
                    const int y = rec.panoY + i;
                    for (int j = 0; j < rec.width && rec.panoX + j < t.W; ++j) {
                        const size_t k = static_cast<size_t>(i) * rec.width + j;
                        if (k >= rec.entries.size()) break;
                        const uint32_t e = rec.entries[k];
                        const uint32_t fx = entryFx(e), fy = entryFy(e);
                        if (e == kInvalidEntry || fx > kMaxEntryFx || fy > kMaxEntryFy) continue;
                        const int x = rec.panoX + j;
                        ++count;
                        uint8_t* out = L.mark(x, y, c);
                        if (render)
                            sampleAt((*frames)[c], (int64_t(rec.srcX0) * kEntryScale + fx) << 4,
                                     (int64_t(rec.srcY0) * kEntryScale + fy) << 4, out);
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
    Layers L(t.W, t.H, t.N);
    L.cameraWeights = &t.cameras;
    for (int c = 0; c < t.N; ++c) {
        const QuickWeaveCamera* cam =
            c < static_cast<int>(t.cameras.size()) ? &t.cameras[static_cast<size_t>(c)] : nullptr;
        if (cam)
            L.addCamera(cam->offsetX, cam->offsetY, int64_t(cam->offsetX) + cam->positions.cols,
                        int64_t(cam->offsetY) + cam->positions.rows, usable(frames, c));
        else
            L.addCamera(0, 0, 0, 0, false);
        L.reach |= L.box.back();
    }
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
                const int64_t y = int64_t(cam.offsetY) + row;
                if (y < 0 || y >= t.H) continue;
                const cv::Vec2f* pos = cam.positions.ptr<cv::Vec2f>(row);
                for (int col = 0; col < cam.positions.cols; ++col) {
                    const int64_t x = int64_t(cam.offsetX) + col;
                    if (x < 0 || x >= t.W) continue;
                    const float nx = pos[col][0], ny = pos[col][1];
                    // Also false for NaN.
                    const bool inside = (nx > beforeX || nx == 0) && (ny > beforeY || ny == 0);
                    if (!(inside && nx < 1 && ny < 1)) continue;
                    ++count;
                    uint8_t* out = L.mark(static_cast<int>(x), static_cast<int>(y), c);
                    if (render)
                        sampleAt((*frames)[c], std::llround(double(nx) * size.width * 256),
                                 std::llround(double(ny) * size.height * 256), out);
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
    const cv::Rect& reach = L.reach;
    cv::parallel_for_(cv::Range(reach.y, reach.y + reach.height), [&](const cv::Range& r) {
        for (int y = r.start; y < r.end; ++y) {
            uint8_t* out = v.image.ptr<uint8_t>(y);
            uint8_t* covered = v.covered.ptr<uint8_t>(y);
            for (int x = reach.x; x < reach.x + reach.width; ++x) {
                unsigned sum = 0, acc[3] = {0, 0, 0};
                for (int c = 0; c < L.N; ++c) {
                    const unsigned w = L.weight(x, y, c);
                    if (w == 0) continue;
                    sum += w;
                    if (!L.hasEntry(x, y, c)) continue;  // nothing to read: black
                    const uint8_t* s = L.sampleAt(x, y, c);
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
    // Outside the reach no camera has weight or an entry: nothing to count.
    for (int y = L.reach.y; y < L.reach.y + L.reach.height; ++y)
        for (int x = L.reach.x; x < L.reach.x + L.reach.width; ++x) {
            unsigned sum = 0;
            bool any = false;
            for (int c = 0; c < L.N; ++c) {
                const uint8_t w = L.weight(x, y, c);
                const bool has = L.hasEntry(x, y, c);
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

std::string tooLarge(int W, int H, int N) {
    return "a " + std::to_string(W) + " x " + std::to_string(H) + " panorama of " +
           std::to_string(N) + " cameras is too large to show";
}

TableReach reach(Layers L) {
    TableReach r;
    r.covered = cv::Mat::zeros(L.H, L.W, CV_8U);
    for (int c = 0; c < L.N; ++c) {
        const cv::Rect& b = L.box[static_cast<size_t>(c)];
        cv::parallel_for_(cv::Range(b.y, b.y + b.height), [&](const cv::Range& rows) {
            for (int y = rows.start; y < rows.end; ++y) {
                const uint8_t* has = L.has[c].ptr<uint8_t>(y - b.y);
                uint8_t* out = r.covered.ptr<uint8_t>(y);
                for (int x = b.x; x < b.x + b.width; ++x)
                    if (has[x - b.x] && L.weight(x, y, c)) out[x] = 255;
            }
        });
    }
    r.boxes = std::move(L.box);
    r.entries = std::move(L.has);
    return r;
}

}  // namespace

std::string viewProblem(const DeviceTable& table) {
    if (!table.readable) return "the table cannot be read";
    if (table.blend.rowsRead < table.H)
        return "its blend table holds " + std::to_string(table.blend.rowsRead) + " of its " +
               std::to_string(table.H) + " rows, so its " + std::to_string(table.W) + " x " +
               std::to_string(table.H) + " panorama is not in the file";
    const uint64_t pixels = uint64_t(table.W) * uint64_t(table.H);
    if (pixels * (uint64_t(table.N) + 1) * 4 > kMaxViewBytes)
        return tooLarge(table.W, table.H, table.N);
    return std::string();
}

std::string viewProblem(const QuickWeaveTable& table) {
    if (!table.readable) return "the table cannot be read";
    if (static_cast<int>(table.cameras.size()) < table.N)
        return "only " + std::to_string(table.cameras.size()) + " of its " +
               std::to_string(table.N) + " camera sections are in the file";
    uint64_t bytes = uint64_t(table.W) * uint64_t(table.H) * 4;
    for (const QuickWeaveCamera& cam : table.cameras) bytes += cam.weights.total() * 4;
    if (bytes > kMaxViewBytes) return tooLarge(table.W, table.H, table.N);
    return std::string();
}

DeviceView renderDeviceView(const DeviceTable& table, const std::vector<cv::Mat>& frames) {
    if (!viewProblem(table).empty()) return DeviceView();
    return combine(deviceLayers(table, &frames));
}

DeviceView renderDeviceView(const QuickWeaveTable& table, const std::vector<cv::Mat>& frames) {
    if (!viewProblem(table).empty()) return DeviceView();
    std::vector<cv::Size> sizes;
    for (const cv::Mat& f : frames) sizes.push_back(f.size());
    return combine(quickWeaveLayers(table, sizes, &frames));
}

TableCoverage measureCoverage(const DeviceTable& table) {
    if (!viewProblem(table).empty()) return TableCoverage();
    std::vector<uint64_t> records;
    for (const auto& r : table.records) records.push_back(r.size());
    return coverage(deviceLayers(table, nullptr), records);
}

TableCoverage measureCoverage(const QuickWeaveTable& table, const std::vector<cv::Size>& sizes) {
    if (!viewProblem(table).empty()) return TableCoverage();
    return coverage(quickWeaveLayers(table, sizes, nullptr), {});
}

TableReach measureReach(const DeviceTable& table) {
    if (!viewProblem(table).empty()) return TableReach();
    return reach(deviceLayers(table, nullptr));
}

TableReach measureReach(const QuickWeaveTable& table, const std::vector<cv::Size>& sizes) {
    if (!viewProblem(table).empty()) return TableReach();
    return reach(quickWeaveLayers(table, sizes, nullptr));
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
