#include <gtest/gtest.h>

#include <QBuffer>
#include <vector>

#include "export/BlendTable4K.h"
#include "export/LittleEndianWriter.h"
#include "tables/BlendTableRead.h"

namespace {

struct Written {
    ExportResult result;
    uint32_t count = 0;
    std::vector<uint8_t> bytes;
    BlendTableRead table;
    std::vector<BlendRecordFields> records;
};

Written writeTable(const WeightVolume& v, int N, int W, int H, const std::vector<int>& drawOrder) {
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    Written w;
    {
        LittleEndianWriter out(buffer);
        const BlendTableOutcome o = buildBlendTable4K(out, v, N, W, H, drawOrder);
        w.result = o.misaligned ? blendTableMisaligned(o, "") : ExportResult::done("");
        w.count = o.records;
        EXPECT_TRUE(out.flush());
    }
    const QByteArray& data = buffer.data();
    w.bytes.assign(data.begin(), data.end());
    if (!w.result.written()) return w;
    // Read back: the reader checks every record's header, presence bits and runs.
    TableViolations log;
    MemorySource source(w.bytes.data(), w.bytes.size());
    w.table = readBlendTable4K(source, 0, w.bytes.size(), N, W, H, log);
    EXPECT_TRUE(log.empty()) << log.list()[0].offset << ": " << log.list()[0].message;
    w.records = w.table.records;
    return w;
}

std::vector<int> rowFieldsOfBlock(const Written& w, int nBlk, int m) {
    std::vector<int> fields;
    for (size_t i = static_cast<size_t>(m); i < w.records.size(); i += static_cast<size_t>(nBlk))
        fields.push_back(w.records[i].rowField);
    return fields;
}

TEST(BlendTable4K, RunOfFiveRowsCountsDown) {
    // One camera, one block: rows 10..14 carry the same weights, every other row
    // its own.
    WeightVolume v(8, 20, 1);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 8; ++x)
            v.at(x, y, 0) = static_cast<uint8_t>(y >= 10 && y <= 14 ? 100 : y + 1);
    const Written w = writeTable(v, 1, 8, 20, {0});
    ASSERT_TRUE(w.result.written()) << w.result.message;
    EXPECT_EQ(w.count, 20u);
    const std::vector<int> f = rowFieldsOfBlock(w, 1, 0);
    ASSERT_EQ(f.size(), 20u);
    EXPECT_EQ(f[10], 0x200A);
    EXPECT_EQ(f[11], 0x180B);
    EXPECT_EQ(f[12], 0x100C);
    EXPECT_EQ(f[13], 0x080D);
    EXPECT_EQ(f[14], 14);
    for (int y : {0, 1, 9, 15, 19}) EXPECT_EQ(f[static_cast<size_t>(y)], y);
}

TEST(BlendTable4K, ZeroRowsRunAtMostThirtyTwoAndCloseAtTheLastRow) {
    WeightVolume v(8, 40, 1);
    const Written w = writeTable(v, 1, 8, 40, {0});
    ASSERT_TRUE(w.result.written());
    const std::vector<int> f = rowFieldsOfBlock(w, 1, 0);
    ASSERT_EQ(f.size(), 40u);
    EXPECT_EQ(f[0], 0xF800);
    for (int y = 0; y < 32; ++y) EXPECT_EQ(f[static_cast<size_t>(y)], y | ((31 - y) << 11)) << y;
    for (int y = 32; y < 40; ++y) EXPECT_EQ(f[static_cast<size_t>(y)], y | ((39 - y) << 11)) << y;
}

TEST(BlendTable4K, FourCamerasAt3840Columns) {
    // drawOrder 3, 2, 1, 0: camera j sits at stacking position 3 - j.
    const int W = 3840, H = 3, N = 4;
    WeightVolume v(W, H, N);
    v.at(5, 1, 3) = 200;   // camera 0, block 0, row 1
    v.at(1500, 1, 0) = 7;  // camera 3, block 2
    v.at(3839, 1, 2) = 9;  // camera 1, the last block
    const Written w = writeTable(v, N, W, H, {3, 2, 1, 0});
    ASSERT_TRUE(w.result.written()) << w.result.message;

    // Six blocks of 748 columns, the last 100 wide.
    EXPECT_EQ(w.bytes.size(), 3u * (5 * (8 + 748 * 4) + 8 + 100 * 4));
    EXPECT_EQ(w.count, 18u);
    ASSERT_EQ(w.records.size(), 18u);

    // Row 1: the weights in camera order (the reader checked the presence bits).
    EXPECT_EQ(w.table.weight(w.records[6], 5, 0), 200);
    EXPECT_EQ(w.table.weight(w.records[6], 5, 1), 0);
    EXPECT_EQ(w.table.weight(w.records[8], 1500 - 1496, 3), 7);
    EXPECT_EQ(w.table.weight(w.records[11], 99, 1), 9);
    // Runs are per block: block 0's rows 0 and 2 are empty but not the same run
    // as its row 1; block 3 is empty in all three rows, one run.
    EXPECT_EQ(w.records[0].rowField, 0);
    EXPECT_EQ(w.records[12].rowField, 2);
    EXPECT_EQ(w.records[3].rowField, 2 << 11);
    EXPECT_EQ(w.records[9].rowField, 1 | (1 << 11));
}

TEST(BlendTable4K, WeightsAreInCameraOrderForAnyCameraCount) {
    // Nine cameras, stacked in a shuffled order.
    const int N = 9, W = 8;
    const std::vector<int> order = {4, 0, 8, 2, 6, 1, 7, 3, 5};
    WeightVolume v(W, 1, N);
    for (int l = 0; l < N; ++l)
        v.at(3, 0, l) = static_cast<uint8_t>(10 + order[static_cast<size_t>(l)]);
    Written w = writeTable(v, N, W, 1, order);
    ASSERT_TRUE(w.result.written());
    for (int j = 0; j < N; ++j) EXPECT_EQ(w.table.weight(w.records[0], 3, j), 10 + j);

    // A camera missing from drawOrder has no layer and weighs nothing.
    WeightVolume two(W, 1, 2);
    two.at(3, 0, 0) = 50;
    two.at(3, 0, 1) = 60;
    w = writeTable(two, 2, W, 1, {1});
    ASSERT_TRUE(w.result.written());
    EXPECT_EQ(w.table.weight(w.records[0], 3, 0), 0);
    EXPECT_EQ(w.table.weight(w.records[0], 3, 1), 50);
}

TEST(BlendTable4K, SizeLimitsOfTheFields) {
    // (The row limit is checked through the export.)
    // 40 cameras: blocks of 72 columns, so 2304 columns need 32 blocks.
    EXPECT_FALSE(checkBlendTable4KSize(40, 2232, 100, "t"));
    EXPECT_TRUE(checkBlendTable4KSize(40, 2233, 100, "t"));
    EXPECT_TRUE(checkBlendTable4KSize(1, 70000, 100, "t"));
    EXPECT_TRUE(checkBlendTable4KSize(1, 100, -5, "t"));
}

}  // namespace
