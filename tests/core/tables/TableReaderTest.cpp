// The core readers on exporters' output: sound tables read back without a
// violation, and each kind of damage is reported at the byte where it is.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "DeviceTableReader.h"
#include "ExportFixture.h"
#include "export/Camera2KExport.h"
#include "export/Camera4KExport.h"
#include "export/DeviceTableLayout.h"
#include "export/LittleEndianWriter.h"
#include "export/QuickWeaveExport.h"
#include "export/QuickWeaveLayout.h"
#include "tables/DeviceView.h"
#include "tables/QuickWeaveReader.h"
#include "tables/TableFile.h"

namespace {

using Bytes = std::vector<uint8_t>;
using namespace device_table;

uint32_t getU32(const Bytes& b, size_t at) {
    return ByteView(b.data(), b.size()).u32(at);
}
void putU32(Bytes& b, size_t at, uint32_t v) {
    storeU32(&b[at], v);
}

// Two overlapping cameras over several source blocks, 512 x 216 (N = 2: one
// 512-column blend block, rows of 8 + 1024 bytes).
class TableReaders : public testsupport::ExportFixture {
protected:
    void SetUp() override {
        ExportFixture::SetUp();
        testsupport::CameraSpec a = testsupport::cameraSpec(300, 200, 3, 5, [](int c, int r) {
            return cv::Vec2f(1.3f * c + 0.7f, 1.1f * r + 0.4f);
        });
        testsupport::CameraSpec b = testsupport::cameraSpec(260, 210, 250, 0, [](int c, int r) {
            return cv::Vec2f(700.0f - 2.0f * c, 0.5f + 1.7f * r);
        });
        b.alpha = [](int c, int) { return static_cast<uint8_t>(std::min(255, c * 8)); };
        rig(512, 216, {a, b}, {0, 1});
    }
    Bytes exported(ExportResult (*run)(const Project&)) {
        const ExportResult r = run(project);
        EXPECT_TRUE(r.written()) << r.message;
        return testsupport::readFileBytes(r.path);
    }
};

TEST_F(TableReaders, ExportedTablesReadBackSound) {
    // (Each exporter's own tests read its tables back through these readers.)
    const TableCoverage sound =
        measureCoverage(testsupport::readSoundTable(exportCamera4K(project).path));
    EXPECT_GT(sound.covered, 100000u);
    EXPECT_TRUE(sound.leftOut().empty());

    // A camera without a usable boundary gets no record but keeps its
    // weight: the table leaves it out, which the coverage shows.
    project.cameras[1].imgBdy.push_back({5, 1});
    testing::internal::CaptureStdout();
    const DeviceTable broken = testsupport::readSoundTable(exportCamera4K(project).path);
    testing::internal::GetCapturedStdout();
    const TableCoverage cov = measureCoverage(broken);
    EXPECT_EQ(cov.leftOut(), std::vector<int>{1});
    EXPECT_EQ(cov.cameras[1].holes, cov.cameras[1].weighted);
}

TEST_F(TableReaders, DamageIsReportedAtItsOffset) {
    const Bytes k2 = exported(exportCamera2K), k4 = exported(exportCamera4K),
                qw = exported(exportQuickWeave);
    using R = RedressRecord;
    const size_t first = sectionsStart(2);            // camera 0's first record
    const size_t blend = getU32(k4, kBlendOffsetAt);  // 4K blend table
    const size_t lastRow = blend + 215 * 1032;
    const size_t lastEntry = first + R::kHeaderBytes + R::kEntryBytes * (R::kCapacity - 1);
    struct Case {
        const char* name;
        const Bytes& table;
        TableFormat format;
        std::function<size_t(Bytes&)> damage;  // returns the offset to report
        const char* message;
    };
    const Case cases[] = {
        {"truncated record", k4, TableFormat::Camera4K,
         [&](Bytes& b) { return b.resize(first + 30000), size_t(first); }, "cut off by the end"},
        {"truncated blend table", k2, TableFormat::Camera2K,
         [&](Bytes& b) { return b.resize(b.size() - 100), size_t(b.size()); },
         "ends after 215 of 216 rows"},
        {"record count", k4, TableFormat::Camera4K,
         [&](Bytes& b) {
             const size_t at = arrayItem(SectionLengths, 2, 0);
             return putU32(b, at, getU32(b, at) + 1), at;
         },
         "section length"},
        {"misaligned record", k4, TableFormat::Camera4K,
         [&](Bytes& b) { return b[first] += 1, size_t(first); }, "not a multiple of 16"},
        {"odd 4K row", k4, TableFormat::Camera4K,
         [&](Bytes& b) { return b[first + R::kPanoYAt] |= 1, size_t(first + R::kPanoYAt); },
         "is odd"},
        {"filler", k4, TableFormat::Camera4K,
         [&](Bytes& b) { return putU32(b, lastEntry, 0), lastEntry; }, "past width x rows"},
        {"weight sum", k4, TableFormat::Camera4K,
         [&](Bytes& b) {
             const size_t w = blend + BlendRecordHeader::kBytes;
             return b[w] = b[w + 1] = 200, w;
         },
         "more than 255"},
        {"repeat past the last row", k4, TableFormat::Camera4K,
         [&](Bytes& b) { return b[lastRow + 1] |= 1 << 3, size_t(lastRow); }, "past the last row"},
        {"row bits", k4, TableFormat::Camera4K,
         [&](Bytes& b) { return b[lastRow] ^= 1, size_t(lastRow); }, "row bits hold"},
        {"2K block number", k2, TableFormat::Camera2K,
         [&](Bytes& b) {
             const size_t at = getU32(b, kBlendOffsetAt) + BlendRecordHeader::kByte7At;
             return b[at] = 9, at;
         },
         "block number 9"},
        {"QuickWeave order", qw, TableFormat::QuickWeave,
         [&](Bytes& b) {
             const size_t second = quickweave::kHeaderBytes + quickweave::kOrderItemBytes;
             return putU32(b, second, 0), second;
         },
         "not a permutation"},
        {"QuickWeave truncated", qw, TableFormat::QuickWeave,
         [&](Bytes& b) { return b.resize(b.size() - 1), size_t(b.size()); }, "the file ends first"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes b = c.table;
        const size_t offset = c.damage(b);
        const TableViolations& found =
            c.format == TableFormat::QuickWeave
                ? readQuickWeaveTable(b.data(), b.size()).violations
                : readDeviceTable(b.data(), b.size(), c.format).violations;
        bool seen = false;
        std::string all;
        for (const TableViolation& v : found.list()) {
            seen = seen || (v.offset == offset && v.message.find(c.message) != std::string::npos);
            all += std::to_string(v.offset) + ": " + v.message + "\n";
        }
        EXPECT_TRUE(seen) << "wanted at " << offset << ": " << c.message << "\nfound:\n" << all;
    }
}

}  // namespace

// What the readers must not believe: a header promising more than the file
// holds, a file that is no table, values the writer could never have written.
TEST_F(TableReaders, ClaimsTheFileDoesNotBackAreRefused) {
    const Bytes k2 = exported(exportCamera2K), qw = exported(exportQuickWeave);
    auto write = [this](const std::string& name, const Bytes& b) {
        writeFile(name, std::string(b.begin(), b.end()));
        return readTableFile(file(name));
    };
    // Read from the file piece by piece, a table is what it is in memory.
    const TableFile whole = readTableFile(file("Camera_2K_Project.tab"));
    ASSERT_TRUE(whole.error.empty() && whole.valid()) << whole.error;
    EXPECT_EQ(whole.device->blend.weights,
              readDeviceTable(k2.data(), k2.size(), TableFormat::Camera2K).blend.weights);

    // Headers alone, claiming a 32767 x 32767 panorama and 16 cameras of 8192 x 8192.
    Bytes big(k2.begin(), k2.begin() + static_cast<std::ptrdiff_t>(sectionsStart(1)));
    putU32(big, kWidthAt, 32767);
    putU32(big, kHeightAt, 32767);
    putU32(big, kCameraCountAt, 1);
    const TableFile device = write("big.tab", big);
    EXPECT_TRUE(device.readable());
    EXPECT_NE(device.viewProblem().find("0 of its 32767 rows"), std::string::npos);
    EXPECT_TRUE(device.coverage().cameras.empty());
    Bytes claims(76, 0);
    putU32(claims, 0, 16);
    putU32(claims, 4, 8192);
    putU32(claims, 8, 8192);
    for (uint32_t c = 0; c < 16; ++c) putU32(claims, 12 + 4 * c, c);
    EXPECT_NE(write("claims.tab", claims).viewProblem().find("only 0 of its 16 camera sections"),
              std::string::npos);

    EXPECT_NE(write("a.tab", {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3, 4, 5, 6, 7, 8})
                  .error.find("is not a table file: it looks like a JPEG image"),
              std::string::npos);
    ASSERT_EQ(mkfifo(file("pipe.tab").c_str(), 0600), 0);
    EXPECT_NE(readTableFile(file("pipe.tab")).error.find("not a regular file"), std::string::npos);

    // A weighted QuickWeave pixel read from outside its frame, or from NaN.
    Bytes nan = qw;
    // Camera 0, whose pixel (0, 0) has weight.
    const size_t positions = quickweave::sectionsStart(2) + quickweave::kSectionHeaderBytes;
    putU32(nan, positions, 0x7FC00000);
    putU32(nan, positions + 8 + 4, 0x40600000);  // 3.5
    const TableViolations& bad = readQuickWeaveTable(nan.data(), nan.size()).violations;
    ASSERT_EQ(bad.total(), 1u);
    EXPECT_EQ(bad.list()[0].offset, positions);
    EXPECT_NE(bad.list()[0].message.find("2 pixels with weight whose source position lies outside"),
              std::string::npos);
    // A camera placed at the end of int's range lies outside the panorama,
    // not at a wrapped position.
    Bytes far = qw;
    putU32(far, quickweave::sectionsStart(2) + quickweave::kOffsetXAt, 0x7FFFFFF0);
    const QuickWeaveTable farTable = readQuickWeaveTable(far.data(), far.size());
    EXPECT_EQ(measureCoverage(farTable).cameras.at(0).entries, 0u);
    // Camera 0's source: sizes the writer refuses, and entries past a narrower one.
    for (const uint32_t width : {2147483647u, 300u}) {
        Bytes b = k2;
        putU32(b, kSourceWidthAt, width);
        const DeviceTable t = readDeviceTable(b.data(), b.size(), TableFormat::Camera2K);
        ASSERT_FALSE(t.violations.empty()) << width;
        EXPECT_NE(t.violations.list()[0].message.find(width > 65536 ? "is outside 1..65536"
                                                                    : "read past camera 0's"),
                  std::string::npos)
            << t.violations.list()[0].message;
    }
}
