// What the table exporters share: the snapshot of the project, the per-pixel
// weight volume, the column test against a camera's boundary, the grouping of
// remapped pixels by source tile and the region finding inside a tile, the
// remap-entry encoding and record, the blend-table partition, the debug images
// and the completion notice.
//
// Coordinate frames used throughout:
//  - panorama: column x in 0..W-1, row y in 0..H-1 (the volume also has x = W, y = H);
//  - camera: column c, row r of the camera's remapped image (its map and weights);
//    camera (c, r) sits at panorama (offsetX + c, offsetY + r);
//  - padded: camera coordinates shifted by (+1, +1), the frame of the contours and
//    of the rectangles returned by findBlockRegions;
//  - source: position (x, y) in the camera's input image, in pixels (float).
#pragma once

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <vector>

#include "export/ExportResult.h"
#include "project/Project.h"

class LittleEndianWriter;

// ---------------------------------------------------------------------------
// Snapshot

struct CameraSnapshot {
    int offsetX = 0;  // panorama column of camera column 0
    int offsetY = 0;  // panorama row of camera row 0
    // CV_32FC2, shares the camera's coordMap: element (r, c) = source (x, y) in
    // pixels. Empty when the camera has no usable map.
    cv::Mat map;
    // CV_8UC4 private deep copy of displayImage; channel 3 is the blend weight
    // 0..255. Empty when the camera has no four-channel display image.
    cv::Mat weights;
    int sourceWidth = 0;               // sourceImage columns
    int sourceHeight = 0;              // sourceImage rows
    std::vector<BoundaryEdge> imgBdy;  // copy of the camera's imgBdy
};

struct ExportSnapshot {
    int cameraCount = 0;                  // N
    int W = 0;                            // panoWidth
    int H = 0;                            // panoHeight
    std::vector<CameraSnapshot> cameras;  // camera index order, N entries
    std::vector<int> drawOrder;           // camera index per stacking position, bottom first
    std::string projectDir;               // local 8-bit, ends in "/"

    // Stacking position of `camera`: the first p with drawOrder[p] == camera, or
    // 0 when the camera does not occur in drawOrder.
    int stackingPosition(int camera) const;
    // projectDir + name.
    std::string outputPath(const std::string& name) const { return projectDir + name; }
};

// Takes the snapshot every export starts from. Returns nothing, and fills
// `stop` with a NothingToExport result, when W or H is 0 (silently: empty
// message) or when there is no camera (message "No camera to export", printed).
std::optional<ExportSnapshot> takeExportSnapshot(const Project& project, ExportResult* stop);
// The same for currentProject() (nothing, silently, when there is none).
std::optional<ExportSnapshot> takeExportSnapshot(ExportResult* stop);

// ---------------------------------------------------------------------------
// Weight volume

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

// ---------------------------------------------------------------------------
// Boundary test

// True when camera column `column` lies inside the boundary: for [start, end]
// (first kind 1) start <= column <= end; for a wrapped boundary (first kind 0)
// 0 <= column <= first or column >= second. A list without exactly two
// entries prints "bdy count :%d\r\n" and answers false.
bool insideColumnBoundary(int column, const std::vector<BoundaryEdge>& imgBdy);

// insideColumnBoundary worked out once for every column 0..columns-1 of a
// camera (without printing).
struct BoundaryColumns {
    BoundaryColumns(const std::vector<BoundaryEdge>& imgBdy, int columns);
    int edgeCount = 0;            // entries of imgBdy
    std::vector<uint8_t> inside;  // 1 where the column is inside; all 0 unless edgeCount is 2
};

// ---------------------------------------------------------------------------
// Source blocks

constexpr int kSourceBlockWidth = 128;
constexpr int kSourceBlockHeight = 180;

struct SourcePixel {
    int c;    // camera column
    int r;    // camera row
    float x;  // source position, pixels
    float y;
};

struct SourceBlock {
    int bx = 0;                       // tile column: source x in [128 bx, 128 bx + 128)
    int by = 0;                       // tile row: source y in [180 by, 180 by + 180)
    uint32_t key = 0;                 // (by << 16) | bx, each cut to 16 bits
    int counter = 0;                  // 1, 2, 3, ... in ascending key order (debug colours)
    std::vector<SourcePixel> pixels;  // in map order (row by row); see collectSourceBlocks
    int label = 0;                    // the block's value in SourceBlockMap::labels (1, 2, ...)
    cv::Rect bounds;                  // bounding box of the block's pixels, camera coordinates
    int64_t pixelCount = 0;           // number of the block's pixels

    static uint32_t makeKey(int bx, int by) {
        return (static_cast<uint32_t>(by & 0xFFFF) << 16) | static_cast<uint32_t>(bx & 0xFFFF);
    }
};

// A camera's map cut by source tile without a list per pixel: every map
// element carries the label of its block (0: in no block), and every block
// its bounding box and pixel count. A list of 16 bytes per remapped pixel would
// cost far more memory and time than the exports need.
struct SourceBlockMap {
    std::vector<SourceBlock> blocks;  // ascending key order, counters set, pixels empty
    cv::Mat labels;                   // CV_32SC1, the size of the map
};

// Groups the camera's map elements by source tile. Elements with x <= 0,
// y <= 0, x >= sourceWidth or y >= sourceHeight (or not a number) are in no
// block. Returns the blocks in ascending key order with their counters set.
SourceBlockMap mapSourceBlocks(const CameraSnapshot& camera);
// The same blocks, each with the list of its pixels in map order.
std::vector<SourceBlock> collectSourceBlocks(const CameraSnapshot& camera);

// ---------------------------------------------------------------------------
// Regions

// The rectangles of one block: sets the block's pixels that pass
// insideColumnBoundary in a zero mask the size of the camera's map, pads it by
// one pixel on each side, finds every contour (outer and hole, full tree, no
// approximation) and returns their bounding rectangles in the order OpenCV
// returns the contours. Rectangles are in padded coordinates: (x, y, w, h)
// covers camera columns x-1 .. x+w-2 and rows y-1 .. y+h-2.
// When `contourImage` is non-empty (CV_8UC3) the contours are drawn on it in
// white, thickness 2, at padded coordinates.
// Only the block's bounding box is scanned; the result is the same as on the
// whole padded map.
std::vector<cv::Rect> findBlockRegions(const SourceBlock& block,
                                       const std::vector<BoundaryEdge>& imgBdy,
                                       cv::Mat* contourImage);
// The same for a block of a SourceBlockMap, with the boundary worked out per
// column. It prints nothing: for a camera whose imgBdy does not hold two
// entries (no regions) the caller reports the block's pixels with
// reportBrokenBoundary, at the point where its console output belongs.
std::vector<cv::Rect> findBlockRegions(const SourceBlockMap& map, const SourceBlock& block,
                                       const BoundaryColumns& columns, cv::Mat* contourImage);
// Prints "bdy count :%d\r\n" with edgeCount `pixels` times: what
// insideColumnBoundary prints for that many pixels tested against a boundary
// of edgeCount entries.
void reportBrokenBoundary(int edgeCount, int64_t pixels);

// ---------------------------------------------------------------------------
// Remap entries and records

// One remap entry: source position relative to the block origin in unsigned
// 12.4 fixed point (1/16 pixel). fx in 0..2032, fy in 0..2864 when valid.
struct RedressEntry {
    uint16_t fx = 0x4FFF;
    uint16_t fy = 0x4FFF;
    bool valid = false;
    // The entry as written: fx in the low half, fy in the high half.
    uint32_t packed() const {
        return static_cast<uint32_t>(fx) | (static_cast<uint32_t>(fy) << 16);
    }
};
constexpr uint32_t kInvalidEntry = 0x4FFF4FFFu;

// Encodes camera pixel (row r, column c) against block (bx, by). Valid only if
// trunc(x - 128 bx) is in 0..127, trunc(y - 180 by) in 0..179 and the weight
// (alpha) there is not 0; the offset is then clamped to 0..127 / 0..179 and
// scaled by 16. So a position less than one pixel left of or above the block
// is valid with 0. Pixels outside the map or the weights image are invalid.
// Inline: the record builders call it once per entry.
inline RedressEntry encodeEntry(const CameraSnapshot& camera, int r, int c, int bx, int by) {
    const cv::Mat& map = camera.map;
    const cv::Mat& w = camera.weights;
    if (r < 0 || c < 0 || r >= map.rows || c >= map.cols || r >= w.rows || c >= w.cols) return {};
    const cv::Vec2f pos = map.at<cv::Vec2f>(r, c);
    float dx = pos[0] - static_cast<float>(kSourceBlockWidth * bx);
    float dy = pos[1] - static_cast<float>(kSourceBlockHeight * by);
    // trunc(d) within 0..127 (0..179), tested on the float: a position less than
    // one pixel before the block truncates to 0 and counts; far-away or
    // non-numeric positions never wrap round into range.
    if (!(dx > -1.0f && dx < 128.0f && dy > -1.0f && dy < 180.0f)) return {};
    if (w.at<cv::Vec4b>(r, c)[3] == 0) return {};
    dx = std::min(std::max(dx, 0.0f), 127.0f);
    dy = std::min(std::max(dy, 0.0f), 179.0f);
    RedressEntry e;
    e.fx = static_cast<uint16_t>(static_cast<int>(dx * 16.0f));
    e.fy = static_cast<uint16_t>(static_cast<int>(dy * 16.0f));
    e.valid = true;
    return e;
}

// encodeEntry for camera row r, columns c0..c1, against block (bx, by): the
// packed entry of column c goes to out[c - c0] when it is valid; the other
// slots are left as they are. True when any entry is valid.
bool encodeRow(const CameraSnapshot& camera, int r, int c0, int c1, int bx, int by, uint32_t* out);

// One rectangle of remap entries, written as a fixed 65,552-byte record.
struct RedressRecord {
    static constexpr int kCapacity = 16384;        // entries in every record
    static constexpr int kMaxUsedEntries = 16368;  // most entries a record may use
    static constexpr int kBytes = 16 + 4 * kCapacity;

    uint16_t panoX = 0;  // panorama column of entry (0, 0)
    uint16_t panoY = 0;  // panorama row of entry (0, 0)
    uint16_t width = 0;  // entries per row
    uint16_t rows = 0;   // entry rows
    uint16_t srcX0 = 0;  // 128 bx
    uint16_t srcY0 = 0;  // 180 by
    // width x rows packed entries, row by row: entry (i, j) is panorama pixel
    // (panoX + j, panoY + i).
    std::vector<uint32_t> entries;

    // A record of width x rows invalid entries for block (bx, by); values are
    // stored as uint16 (cut to 16 bits) as the format does. Asserts that
    // width x rows fits the record.
    static RedressRecord make(int panoX, int panoY, int width, int rows, int bx, int by);
    // The same in place, keeping the entry storage of an earlier record.
    void reset(int panoX, int panoY, int width, int rows, int bx, int by);
    // Entry row i (width entries).
    uint32_t* row(int i) { return entries.data() + static_cast<size_t>(i) * width; }
    void set(int i, int j, const RedressEntry& e) {
        entries[static_cast<size_t>(i) * width + static_cast<size_t>(j)] = e.packed();
    }
    bool anyValid() const;
    // Header (8 x uint16: panoX, panoY, width, rows, srcX0, srcY0, 128, 180),
    // the entries, then invalid entries up to 16384.
    void writeTo(LittleEndianWriter& out) const;
};

// ---------------------------------------------------------------------------
// Alignment and blend partition

// A span [start, start + length) grown to multiples of `multiple`: start moves
// down to the largest multiple not above it (`before` units added in front),
// then length grows to a multiple (`after` units added behind).
struct AlignedSpan {
    int start = 0;
    int length = 0;
    int before = 0;
    int after = 0;
};
AlignedSpan alignSpan(int start, int length, int multiple);

// Most cameras a blend table can hold: beyond it the block width would be 0.
constexpr int kMaxBlendCameras = 750;

// Column blocks of one blend-table row: blockWidth = the largest multiple of 4
// not above trunc(3000 / N); blockCount = ceil(W / blockWidth); block m starts at
// m * blockWidth and is blockWidth wide except the last, which is
// W - (blockCount - 1) * blockWidth wide. blockWidth is 0 (and blockCount 0)
// when N < 1 or N > 750.
struct BlendPartition {
    int blockWidth = 0;
    int blockCount = 0;
    int W = 0;
    int start(int m) const { return m * blockWidth; }
    int width(int m) const { return m == blockCount - 1 ? W - m * blockWidth : blockWidth; }
};
BlendPartition blendPartition(int W, int N);

// Reorders `width` pixels of four weights each (four cameras): byte c of an
// output pixel is byte position[c] (0..3) of the input pixel. Returns the OR of
// all output pixels, byte c in bits 8c..8c+7. The usual bottom-first drawing
// order of four cameras reverses every pixel, which is one instruction.
uint32_t gatherPixels4(const uint8_t* in, int width, const int* position, uint8_t* out);

// For exporters with a blend table: a Failed result (message printed) when the
// camera count leaves no block width, before anything is written.
std::optional<ExportResult> checkBlendCameraCount(int N, const std::string& path);

// ---------------------------------------------------------------------------
// Table parts built in memory

// Runs `write` with a writer over a memory buffer that first reserves
// `expectedBytes`, and returns what was written (empty after a failure). Lets a
// part of a table that comes late in the file be built on another thread while
// the earlier parts are written; the bytes are then copied into the file as
// they are.
QByteArray writeToMemory(size_t expectedBytes,
                         const std::function<void(LittleEndianWriter&)>& write);
// Largest part built that way; larger ones are written in place, in turn.
constexpr int64_t kMaxTablePartInMemory = int64_t(256) << 20;

// ---------------------------------------------------------------------------
// Debug images

// The four debug images of one camera, 8-bit BGR, black at first:
// contours -> "%spic/%d.jpg", outline(0) -> "-1", outline(1) -> "-2",
// outline(2) -> "-3".
struct DebugImages {
    cv::Mat contours;
    cv::Mat outlines[3];

    explicit DebugImages(cv::Size size);
    // The outline image for block counter k: "-1" when k mod 3 = 0, "-2" when
    // 1, "-3" when 2.
    cv::Mat& outlineFor(int k) { return outlines[k % 3]; }
    // Its colour (B, G, R): red, blue, green for k mod 3 = 0, 1, 2.
    static cv::Scalar colourFor(int k);
    // Draws a one-pixel, 8-connected outline of `rect` on outlineFor(k).
    void drawOutline(int k, const cv::Rect& rect);
    // Saves the four images as JPEG into projectDir + "pic/". The folder is not
    // created; a missing folder or a failed write is ignored.
    void save(const std::string& projectDir, int cameraIndex) const;
};

// ---------------------------------------------------------------------------
// Completion notice

// Title "提示" and text "方案输出完毕" of the completion notice.
QString exportDoneTitle();
QString exportDoneText();

// The notice shown after a table was written. The core has no widgets: the
// window installs a handler (an information box with exportDoneTitle(),
// exportDoneText() and a default Ok button); without one a line break and the
// text are printed. Passing an empty function restores the printing default.
using ExportDoneHandler = std::function<void()>;
void setExportDoneHandler(ExportDoneHandler handler);
void showExportDone();
// The end of every export: once `result` says the table is in place, prints
// "Export <fileName> OK." (no line end) and shows the notice; returns `result`.
ExportResult finishExport(ExportResult result, const char* fileName);
