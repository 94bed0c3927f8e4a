#include "export/ExportCommon.h"

#include <QDir>
#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "export/LittleEndianWriter.h"

// ---------------------------------------------------------------------------
// Snapshot

int ExportSnapshot::stackingPosition(int camera) const {
    for (size_t p = 0; p < drawOrder.size(); ++p)
        if (drawOrder[p] == camera) return static_cast<int>(p);
    return 0;
}

std::optional<ExportSnapshot> takeExportSnapshot(const Project& project, ExportResult* stop) {
    ExportResult ignored;
    ExportResult& result = stop ? *stop : ignored;
    if (project.panoWidth == 0 || project.panoHeight == 0) {
        result = ExportResult::nothing();
        return std::nullopt;
    }
    if (project.cameras.empty()) {
        // The header needs camera 0 and the blend tables divide by the count.
        std::printf("No camera to export\r\n");
        std::fflush(stdout);
        result = ExportResult::nothing("No camera to export");
        return std::nullopt;
    }
    ExportSnapshot s;
    s.cameraCount = static_cast<int>(project.cameras.size());
    s.W = project.panoWidth;
    s.H = project.panoHeight;
    s.drawOrder.assign(project.drawOrder.begin(), project.drawOrder.end());
    s.projectDir = project.projectDir;
    s.cameras.reserve(project.cameras.size());
    for (const Camara& cam : project.cameras) {
        CameraSnapshot c;
        c.offsetX = cam.offsetX;
        c.offsetY = cam.offsetY;
        // A camera whose inputs failed to load has no map or weights; it then
        // simply contributes nothing.
        if (cam.coordMap.type() == CV_32FC2) c.map = cam.coordMap;
        if (cam.displayImage.type() == CV_8UC4) c.weights = cam.displayImage.clone();
        c.sourceWidth = cam.sourceImage.cols;
        c.sourceHeight = cam.sourceImage.rows;
        c.imgBdy = cam.imgBdy;
        s.cameras.push_back(std::move(c));
    }
    result = ExportResult::done(std::string());
    return s;
}

std::optional<ExportSnapshot> takeExportSnapshot(ExportResult* stop) {
    if (const Project* project = currentProject()) return takeExportSnapshot(*project, stop);
    if (stop) *stop = ExportResult::nothing();
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Weight volume

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
            for (int k = k0; k <= k1; ++k, out += N) *out = row[4 * k + 3];
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

// ---------------------------------------------------------------------------
// Boundary test

bool insideColumnBoundary(int column, const std::vector<BoundaryEdge>& imgBdy) {
    if (imgBdy.size() != 2) {
        std::printf("bdy count :%d\r\n", static_cast<int>(imgBdy.size()));
        return false;
    }
    const BoundaryEdge& e0 = imgBdy[0];
    const BoundaryEdge& e1 = imgBdy[1];
    if (e0.kind != 0) return e0.column <= column && column <= e1.column;
    return (0 <= column && column <= e0.column) || column >= e1.column;
}

BoundaryColumns::BoundaryColumns(const std::vector<BoundaryEdge>& imgBdy, int columns)
    : edgeCount(static_cast<int>(imgBdy.size())),
      inside(static_cast<size_t>(std::max(columns, 0)), 0) {
    if (edgeCount != 2) return;
    const BoundaryEdge& e0 = imgBdy[0];
    const BoundaryEdge& e1 = imgBdy[1];
    for (int c = 0; c < columns; ++c) {
        const bool in = e0.kind != 0 ? (e0.column <= c && c <= e1.column)
                                     : ((0 <= c && c <= e0.column) || c >= e1.column);
        inside[static_cast<size_t>(c)] = in ? 1 : 0;
    }
}

// ---------------------------------------------------------------------------
// Source blocks

SourceBlockMap mapSourceBlocks(const CameraSnapshot& camera) {
    SourceBlockMap out;
    const cv::Mat& map = camera.map;
    out.labels = cv::Mat::zeros(map.size(), CV_32SC1);
    // Blocks in the order they are met; labels are 1-based indexes into it.
    std::vector<SourceBlock> found;
    std::map<uint32_t, int> byKey;  // key -> index into found
    const float sw = static_cast<float>(camera.sourceWidth);
    const float sh = static_cast<float>(camera.sourceHeight);
    for (int r = 0; r < map.rows; ++r) {
        const cv::Vec2f* row = map.ptr<cv::Vec2f>(r);
        int32_t* labels = out.labels.ptr<int32_t>(r);
        SourceBlock* block = nullptr;  // the block of the run being scanned
        int runStart = 0;
        auto closeRun = [&](int end) {  // columns runStart .. end-1 belong to `block`
            if (!block) return;
            const int label = block->label;
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
            const float x = row[c][0];
            const float y = row[c][1];
            if (!(x > 0 && y > 0 && x < sw && y < sh)) {
                closeRun(c);
                continue;
            }
            const int bx = static_cast<int>(x / 128.0f);
            const int by = static_cast<int>(y / 180.0f);
            const uint32_t key = SourceBlock::makeKey(bx, by);
            // Neighbouring pixels mostly share a tile: runs of one block are
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
    return out;
}

std::vector<SourceBlock> collectSourceBlocks(const CameraSnapshot& camera) {
    SourceBlockMap m = mapSourceBlocks(camera);
    std::vector<int> indexOfLabel(m.blocks.size() + 1, -1);
    for (size_t i = 0; i < m.blocks.size(); ++i) {
        indexOfLabel[static_cast<size_t>(m.blocks[i].label)] = static_cast<int>(i);
        m.blocks[i].pixels.reserve(static_cast<size_t>(m.blocks[i].pixelCount));
    }
    for (int r = 0; r < m.labels.rows; ++r) {
        const int32_t* labels = m.labels.ptr<int32_t>(r);
        const cv::Vec2f* row = camera.map.ptr<cv::Vec2f>(r);
        for (int c = 0; c < m.labels.cols; ++c) {
            if (labels[c] == 0) continue;
            SourceBlock& b = m.blocks[static_cast<size_t>(indexOfLabel[labels[c]])];
            b.pixels.push_back(SourcePixel{c, r, row[c][0], row[c][1]});
        }
    }
    return std::move(m.blocks);
}

// ---------------------------------------------------------------------------
// Regions

std::vector<cv::Rect> findBlockRegions(const SourceBlock& block,
                                       const std::vector<BoundaryEdge>& imgBdy,
                                       cv::Mat* contourImage) {
    // Every pixel is tested (and, with a broken boundary, reported) in order.
    std::vector<const SourcePixel*> inside;
    inside.reserve(block.pixels.size());
    int minC = INT32_MAX, minR = INT32_MAX, maxC = INT32_MIN, maxR = INT32_MIN;
    for (const SourcePixel& px : block.pixels) {
        if (!insideColumnBoundary(px.c, imgBdy)) continue;
        inside.push_back(&px);
        minC = std::min(minC, px.c);
        maxC = std::max(maxC, px.c);
        minR = std::min(minR, px.r);
        maxR = std::max(maxR, px.r);
    }
    if (inside.empty()) return {};

    // The mask outside the block's bounding box is zero, so the contours of the
    // box padded by one pixel, shifted by (minC, minR), are those of the whole
    // padded map, in the same raster order.
    cv::Mat padded = cv::Mat::zeros(maxR - minR + 3, maxC - minC + 3, CV_8UC1);
    for (const SourcePixel* px : inside)
        padded.at<uint8_t>(px->r - minR + 1, px->c - minC + 1) = 255;

    std::vector<std::vector<cv::Point>> contours;
    std::vector<cv::Vec4i> hierarchy;
    cv::findContours(padded, contours, hierarchy, cv::RETR_TREE, cv::CHAIN_APPROX_NONE,
                     cv::Point(minC, minR));
    if (contourImage && !contourImage->empty())
        cv::drawContours(*contourImage, contours, -1, cv::Scalar(255, 255, 255), 2, cv::LINE_8);

    std::vector<cv::Rect> rects;
    rects.reserve(contours.size());
    for (const auto& contour : contours) rects.push_back(cv::boundingRect(contour));
    return rects;
}

void reportBrokenBoundary(int edgeCount, int64_t pixels) {
    char line[32];
    std::snprintf(line, sizeof line, "bdy count :%d\r\n", edgeCount);
    for (int64_t i = 0; i < pixels; ++i) std::fputs(line, stdout);
}

std::vector<cv::Rect> findBlockRegions(const SourceBlockMap& map, const SourceBlock& block,
                                       const BoundaryColumns& columns, cv::Mat* contourImage) {
    if (columns.edgeCount != 2) return {};
    const cv::Rect& box = block.bounds;
    if (block.pixelCount == 0 || box.empty()) return {};
    // The block's bounding box padded by one pixel: outside it the mask is zero,
    // so its contours, shifted by the box's corner, are those of the whole
    // padded map in the same raster order.
    cv::Mat padded = cv::Mat::zeros(box.height + 2, box.width + 2, CV_8UC1);
    const int label = block.label;
    const uint8_t* inside = columns.inside.data() + box.x;
    bool any = false;
    for (int r = box.y; r < box.y + box.height; ++r) {
        const int32_t* labels = map.labels.ptr<int32_t>(r) + box.x;
        uint8_t* mask = padded.ptr<uint8_t>(r - box.y + 1) + 1;
        uint8_t rowAny = 0;
        for (int c = 0; c < box.width; ++c) {
            const uint8_t v = (labels[c] == label) & inside[c];
            mask[c] = static_cast<uint8_t>(-v);  // 0 or 255
            rowAny |= v;
        }
        any = any || rowAny;
    }
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

// ---------------------------------------------------------------------------
// Remap entries and records

RedressRecord RedressRecord::make(int panoX, int panoY, int width, int rows, int bx, int by) {
    assert(width >= 0 && rows >= 0 && width * rows <= kCapacity);
    RedressRecord rec;
    rec.reset(panoX, panoY, width, rows, bx, by);
    return rec;
}

void RedressRecord::reset(int x, int y, int w, int h, int bx, int by) {
    assert(w >= 0 && h >= 0 && w * h <= kCapacity);
    panoX = static_cast<uint16_t>(x);
    panoY = static_cast<uint16_t>(y);
    width = static_cast<uint16_t>(w);
    rows = static_cast<uint16_t>(h);
    srcX0 = static_cast<uint16_t>(kSourceBlockWidth * bx);
    srcY0 = static_cast<uint16_t>(kSourceBlockHeight * by);
    entries.assign(static_cast<size_t>(w) * static_cast<size_t>(h), kInvalidEntry);
}

bool encodeRow(const CameraSnapshot& camera, int r, int c0, int c1, int bx, int by, uint32_t* out) {
    const cv::Mat& map = camera.map;
    const cv::Mat& w = camera.weights;
    if (r < 0 || r >= map.rows || r >= w.rows) return false;
    // Only the columns inside the map and the weights image can be valid.
    const int first = std::max(c0, 0);
    const int last = std::min({c1, map.cols - 1, w.cols - 1});
    const cv::Vec2f* pos = map.ptr<cv::Vec2f>(r);
    const uint8_t* alpha = w.ptr<uint8_t>(r) + 3;
    const float ox = static_cast<float>(kSourceBlockWidth * bx);
    const float oy = static_cast<float>(kSourceBlockHeight * by);
    bool any = false;
    int c = first;
#if defined(__SSE2__)
    // Four entries at a time with the same single-precision arithmetic as
    // encodeEntry: subtraction, comparisons, clamping, scaling by 16 and
    // truncation give the same values lane by lane; invalid lanes keep what
    // the record holds.
    const __m128 vox = _mm_set1_ps(ox), voy = _mm_set1_ps(oy);
    const __m128 minusOne = _mm_set1_ps(-1.0f), zero = _mm_setzero_ps();
    const __m128 maxX = _mm_set1_ps(128.0f), maxY = _mm_set1_ps(180.0f);
    const __m128 clampX = _mm_set1_ps(127.0f), clampY = _mm_set1_ps(179.0f);
    const __m128 sixteen = _mm_set1_ps(16.0f);
    const uint8_t* pixels = w.ptr<uint8_t>(r);
    __m128i anyValid = _mm_setzero_si128();
    for (; c + 3 <= last; c += 4) {
        const __m128 xy01 = _mm_loadu_ps(&pos[c][0]);
        const __m128 xy23 = _mm_loadu_ps(&pos[c + 2][0]);
        const __m128 dx = _mm_sub_ps(_mm_shuffle_ps(xy01, xy23, _MM_SHUFFLE(2, 0, 2, 0)), vox);
        const __m128 dy = _mm_sub_ps(_mm_shuffle_ps(xy01, xy23, _MM_SHUFFLE(3, 1, 3, 1)), voy);
        const __m128i a =
            _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 4 * c)), 24);
        const __m128i ok =
            _mm_andnot_si128(_mm_cmpeq_epi32(a, _mm_setzero_si128()),
                             _mm_castps_si128(_mm_and_ps(
                                 _mm_and_ps(_mm_cmpgt_ps(dx, minusOne), _mm_cmplt_ps(dx, maxX)),
                                 _mm_and_ps(_mm_cmpgt_ps(dy, minusOne), _mm_cmplt_ps(dy, maxY)))));
        const __m128i fx =
            _mm_cvttps_epi32(_mm_mul_ps(_mm_min_ps(_mm_max_ps(dx, zero), clampX), sixteen));
        const __m128i fy =
            _mm_cvttps_epi32(_mm_mul_ps(_mm_min_ps(_mm_max_ps(dy, zero), clampY), sixteen));
        const __m128i packed =
            _mm_or_si128(_mm_and_si128(fx, _mm_set1_epi32(0xFFFF)), _mm_slli_epi32(fy, 16));
        __m128i* slot = reinterpret_cast<__m128i*>(out + (c - c0));
        const __m128i old = _mm_loadu_si128(slot);
        _mm_storeu_si128(slot, _mm_or_si128(_mm_and_si128(ok, packed), _mm_andnot_si128(ok, old)));
        anyValid = _mm_or_si128(anyValid, ok);
    }
    any = _mm_movemask_epi8(anyValid) != 0;
#endif
    // The same arithmetic as encodeEntry, column by column.
    for (; c <= last; ++c) {
        float dx = pos[c][0] - ox;
        float dy = pos[c][1] - oy;
        if (!(dx > -1.0f && dx < 128.0f && dy > -1.0f && dy < 180.0f)) continue;
        if (alpha[4 * c] == 0) continue;
        dx = std::min(std::max(dx, 0.0f), 127.0f);
        dy = std::min(std::max(dy, 0.0f), 179.0f);
        const uint32_t fx = static_cast<uint16_t>(static_cast<int>(dx * 16.0f));
        const uint32_t fy = static_cast<uint16_t>(static_cast<int>(dy * 16.0f));
        out[c - c0] = fx | (fy << 16);
        any = true;
    }
    return any;
}

bool RedressRecord::anyValid() const {
    // A valid entry never equals the invalid one (fx <= 2032, fy <= 2864).
    return std::any_of(entries.begin(), entries.end(),
                       [](uint32_t e) { return e != kInvalidEntry; });
}

void RedressRecord::writeTo(LittleEndianWriter& out) const {
    assert(entries.size() <= static_cast<size_t>(kCapacity));
    out.u16(panoX);
    out.u16(panoY);
    out.u16(width);
    out.u16(rows);
    out.u16(srcX0);
    out.u16(srcY0);
    out.u16(kSourceBlockWidth);
    out.u16(kSourceBlockHeight);
    out.u32s(entries.data(), entries.size());
    out.repeatU32(kInvalidEntry, static_cast<size_t>(kCapacity) - entries.size());
}

// ---------------------------------------------------------------------------
// Alignment and blend partition

AlignedSpan alignSpan(int start, int length, int multiple) {
    assert(multiple > 0);
    AlignedSpan s;
    // The largest multiple not above start (C's % keeps the dividend's sign).
    const int rem = start % multiple;
    s.before = rem > 0 ? rem : (rem < 0 ? multiple + rem : 0);
    s.start = start - s.before;
    s.length = length + s.before;
    const int lrem = s.length % multiple;
    s.after = lrem > 0 ? multiple - lrem : -lrem;
    s.length += s.after;
    return s;
}

BlendPartition blendPartition(int W, int N) {
    BlendPartition p;
    p.W = W;
    if (N < 1 || N > kMaxBlendCameras) return p;
    p.blockWidth = (3000 / N) / 4 * 4;
    p.blockCount = W > 0 ? (W + p.blockWidth - 1) / p.blockWidth : 0;
    return p;
}

namespace {
uint32_t load32(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}
void store32(uint8_t* b, uint32_t v) {
    b[0] = static_cast<uint8_t>(v);
    b[1] = static_cast<uint8_t>(v >> 8);
    b[2] = static_cast<uint8_t>(v >> 16);
    b[3] = static_cast<uint8_t>(v >> 24);
}
}  // namespace

uint32_t gatherPixels4(const uint8_t* in, int width, const int* position, uint8_t* out) {
    uint32_t seen = 0;
    if (position[0] == 3 && position[1] == 2 && position[2] == 1 && position[3] == 0) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        // Two pixels at a time: reversing eight bytes reverses both pixels and
        // swaps them, which a rotation undoes.
        uint64_t seen2 = 0;
        for (; width >= 2; width -= 2, in += 8, out += 8) {
            uint64_t v;
            std::memcpy(&v, in, 8);
            v = __builtin_bswap64(v);
            v = (v >> 32) | (v << 32);
            std::memcpy(out, &v, 8);
            seen2 |= v;
        }
        seen = static_cast<uint32_t>(seen2) | static_cast<uint32_t>(seen2 >> 32);
#endif
        for (int j = 0; j < width; ++j, in += 4, out += 4) {
            const uint32_t v = __builtin_bswap32(load32(in));
            store32(out, v);
            seen |= v;
        }
        return seen;
    }
    const int s0 = 8 * position[0], s1 = 8 * position[1], s2 = 8 * position[2],
              s3 = 8 * position[3];
    for (int j = 0; j < width; ++j, in += 4, out += 4) {
        const uint32_t v = load32(in);
        const uint32_t o = ((v >> s0) & 0xFF) | (((v >> s1) & 0xFF) << 8) |
                           (((v >> s2) & 0xFF) << 16) | (((v >> s3) & 0xFF) << 24);
        store32(out, o);
        seen |= o;
    }
    return seen;
}

std::optional<ExportResult> checkBlendCameraCount(int N, const std::string& path) {
    if (N >= 1 && N <= kMaxBlendCameras) return std::nullopt;
    return failExport(path, "Too many cameras for the blend table: %d (at most %d)\r\n", N,
                      kMaxBlendCameras);
}

// ---------------------------------------------------------------------------
// Table parts built in memory

QByteArray writeToMemory(size_t expectedBytes,
                         const std::function<void(LittleEndianWriter&)>& write) {
    QByteArray bytes;
    bytes.reserve(static_cast<int>(std::min<size_t>(expectedBytes, INT32_MAX / 2)));
    LittleEndianWriter out(bytes);
    write(out);
    if (!out.flush()) return QByteArray();
    return bytes;
}

// ---------------------------------------------------------------------------
// Debug images

DebugImages::DebugImages(cv::Size size) {
    contours = cv::Mat::zeros(size, CV_8UC3);
    for (cv::Mat& m : outlines) m = cv::Mat::zeros(size, CV_8UC3);
}

cv::Scalar DebugImages::colourFor(int k) {
    static const std::array<cv::Scalar, 3> colours = {cv::Scalar(0, 0, 255), cv::Scalar(255, 0, 0),
                                                      cv::Scalar(0, 255, 0)};
    return colours[static_cast<size_t>(k % 3)];
}

void DebugImages::drawOutline(int k, const cv::Rect& rect) {
    // Thickness 0 is OpenCV's one-pixel line.
    cv::rectangle(outlineFor(k), rect, colourFor(k), 0, cv::LINE_8, 0);
}

void DebugImages::save(const std::string& projectDir, int cameraIndex) const {
    if (!QDir(QString::fromLocal8Bit((projectDir + "pic").c_str())).exists()) return;
    const char* patterns[4] = {"%spic/%d.jpg", "%spic/%d-1.jpg", "%spic/%d-2.jpg",
                               "%spic/%d-3.jpg"};
    const cv::Mat* images[4] = {&contours, &outlines[0], &outlines[1], &outlines[2]};
    for (int i = 0; i < 4; ++i) {
        const int n = std::snprintf(nullptr, 0, patterns[i], projectDir.c_str(), cameraIndex);
        std::string path(static_cast<size_t>(n), '\0');
        std::snprintf(&path[0], path.size() + 1, patterns[i], projectDir.c_str(), cameraIndex);
        try {
            cv::imwrite(path, *images[i]);
        } catch (const cv::Exception&) {
            // A debug image that cannot be written is skipped.
        }
    }
}

// ---------------------------------------------------------------------------
// Completion notice

QString exportDoneTitle() {
    return QString::fromUtf16(u"\u63D0\u793A");
}  // 提示

QString exportDoneText() {
    return QString::fromUtf16(u"\u65B9\u6848\u8F93\u51FA\u5B8C\u6BD5");  // 方案输出完毕
}

namespace {
ExportDoneHandler& exportDoneHandler() {
    static ExportDoneHandler handler;
    return handler;
}
}  // namespace

void setExportDoneHandler(ExportDoneHandler handler) {
    exportDoneHandler() = std::move(handler);
}

ExportResult finishExport(ExportResult result, const char* fileName) {
    if (!result.written()) return result;
    std::printf("Export %s OK.", fileName);
    std::fflush(stdout);
    showExportDone();
    return result;
}

void showExportDone() {
    if (exportDoneHandler()) {
        exportDoneHandler()();
        return;
    }
    // Headless: end the format's OK line, then the notice.
    std::printf("\r\n%s\r\n", exportDoneText().toLocal8Bit().constData());
    std::fflush(stdout);
}
