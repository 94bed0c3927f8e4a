#include <gtest/gtest.h>

#include <QBuffer>

#include "LittleEndianReader.h"
#include "export/LittleEndianWriter.h"

namespace {

std::vector<uint8_t> bytesOf(const QByteArray& a) {
    return std::vector<uint8_t>(a.begin(), a.end());
}

TEST(LittleEndianWriter, LaysOutValuesLittleEndian) {
    QByteArray data;
    QBuffer buffer(&data);
    ASSERT_TRUE(buffer.open(QIODevice::ReadWrite));
    LittleEndianWriter w(buffer);
    w.u8(0xAB);
    w.u16(0x1234);
    w.u32(0xDEADBEEF);
    w.i32(-2);
    w.f32(0.5f);
    w.bytes("J01", 4);
    w.repeatU32(0x4FFF4FFF, 3);
    w.zeros(2);
    EXPECT_EQ(w.pos(), 1 + 2 + 4 + 4 + 4 + 4 + 12 + 2);
    ASSERT_TRUE(w.flush());
    const std::vector<uint8_t> expect = {0xAB, 0x34, 0x12, 0xEF, 0xBE, 0xAD, 0xDE, 0xFE, 0xFF,
                                         0xFF, 0xFF, 0x00, 0x00, 0x00, 0x3F, 'J',  '0',  '1',
                                         0x00, 0xFF, 0x4F, 0xFF, 0x4F, 0xFF, 0x4F, 0xFF, 0x4F,
                                         0xFF, 0x4F, 0xFF, 0x4F, 0x00, 0x00};
    EXPECT_EQ(bytesOf(data), expect);
}

// Patches land on the right bytes whether they are still buffered or already
// on the device, and writing resumes at the cursor afterwards.
TEST(LittleEndianWriter, PatchesAndSeeksAcrossFlushes) {
    QByteArray data;
    QBuffer buffer(&data);
    ASSERT_TRUE(buffer.open(QIODevice::ReadWrite));
    LittleEndianWriter w(buffer);
    w.u32(0);                 // placeholder at 0
    const size_t n = 700000;  // 2.8 MB: several buffer flushes
    for (size_t i = 0; i < n; ++i) w.u32(static_cast<uint32_t>(i));
    w.patchU32(0, 0xCAFEBABE);            // long flushed
    w.patchU16(4 + 4 * (n - 1), 0x7777);  // still buffered
    w.patchU16(4 + 4 * 10, 0x5555);       // flushed, in the middle
    EXPECT_EQ(w.pos(), static_cast<int64_t>(4 + 4 * n));
    w.seek(4 + 4 * 20);  // move back and overwrite, as a run patcher does
    w.u16(0x1111);
    w.seek(w.size());
    w.u32(0xFFFFFFFF);
    ASSERT_TRUE(w.flush());
    const std::vector<uint8_t> bytes = bytesOf(data);
    testsupport::LittleEndianReader in(bytes);
    ASSERT_EQ(in.size(), 4 + 4 * n + 4);
    EXPECT_EQ(in.u32(0), 0xCAFEBABEu);
    EXPECT_EQ(in.u32(4 + 4 * 10), 0x5555u);
    EXPECT_EQ(in.u32(4 + 4 * 11), 11u);
    EXPECT_EQ(in.u32(4 + 4 * 20), 0x1111u);
    EXPECT_EQ(in.u32(4 + 4 * 300000), 300000u);
    EXPECT_EQ(in.u32(4 + 4 * (n - 1)), (static_cast<uint32_t>(n - 1) & 0xFFFF0000u) | 0x7777u);
    EXPECT_EQ(in.u32(4 + 4 * n), 0xFFFFFFFFu);
}

TEST(LittleEndianWriter, ReportsDeviceErrors) {
    QByteArray data;
    QBuffer buffer(&data);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    LittleEndianWriter w(buffer);
    w.u32(1);
    EXPECT_FALSE(w.flush());
    EXPECT_FALSE(w.ok());
    EXPECT_FALSE(w.errorString().isEmpty());
}

}  // namespace
