#include "tables/DeviceTableReader.h"

#include <algorithm>
#include <cstring>

#include "export/BlendPartition.h"
#include "export/BlendTable4K.h"
#include "export/DeviceTableLayout.h"
#include "export/RemapEntry.h"
#include "export/SourceBlocks.h"

namespace {

using namespace device_table;

constexpr uint64_t kHeader = kHeaderBytes;
constexpr uint64_t kRecordBytes = RedressRecord::kBytes;

std::string str(uint64_t v) {
    return std::to_string(v);
}

// One record at `at` (the whole 65,552 bytes are in the file).
RedressRecord readRecord(const ByteView& in, uint64_t at, int camera, size_t index,
                         const DeviceTable& t, bool rowPairs, TableViolations& log) {
    using R = RedressRecord;
    R r = R::readHeader(in, at);
    const std::string what = "camera " + str(camera) + " record " + str(index) + ": ";
    auto check = [&](bool ok, uint64_t offset, const std::string& message) {
        if (!ok) log.add(offset, what + message);
    };
    const std::string columnGrid = str(kRecordColumnAlignment);
    check(r.panoX % kRecordColumnAlignment == 0, at,
          "panoX " + str(r.panoX) + " is not a multiple of " + columnGrid);
    check(r.panoX < t.W, at, "panoX " + str(r.panoX) + " lies right of the panorama");
    check(r.panoY < t.H, at + R::kPanoYAt, "panoY " + str(r.panoY) + " lies below the panorama");
    check(!rowPairs || r.panoY % kRecordRowAlignment == 0, at + R::kPanoYAt,
          "panoY " + str(r.panoY) + " is odd");
    check(r.width > 0 && r.width % kRecordColumnAlignment == 0, at + R::kWidthAt,
          "width " + str(r.width) + " is not a positive multiple of " + columnGrid);
    check(r.rows > 0 && (!rowPairs || r.rows % kRecordRowAlignment == 0), at + R::kRowsAt,
          "rows " + str(r.rows) + (rowPairs ? " is not a positive even number" : " is 0"));
    const uint64_t used = static_cast<uint64_t>(r.width) * r.rows;
    check(used <= kRedressMaxValidBlockSize, at + R::kWidthAt,
          str(r.width) + " x " + str(r.rows) + " entries exceed " + str(kRedressMaxValidBlockSize));
    const std::string blockWidth = str(kSourceBlockWidth), blockHeight = str(kSourceBlockHeight);
    check(r.srcX0 % kSourceBlockWidth == 0, at + R::kSrcX0At,
          "source block x " + str(r.srcX0) + " is not a multiple of " + blockWidth);
    check(r.srcY0 % kSourceBlockHeight == 0, at + R::kSrcY0At,
          "source block y " + str(r.srcY0) + " is not a multiple of " + blockHeight);
    const uint16_t widthField = in.u16(at + R::kBlockWidthAt);
    const uint16_t heightField = in.u16(at + R::kBlockHeightAt);
    check(widthField == kSourceBlockWidth, at + R::kBlockWidthAt,
          "block width field " + str(widthField) + " is not " + blockWidth);
    check(heightField == kSourceBlockHeight, at + R::kBlockHeightAt,
          "block height field " + str(heightField) + " is not " + blockHeight);

    // Entries: a bad value is reported once per record, at the first one.
    // Only camera 0's source size is in the file: its entries must lie inside
    // it (in 1/16 pixel, as the entries count).
    const uint64_t kept = std::min<uint64_t>(used, R::kCapacity);
    r.entries.resize(kept);
    const bool sized = camera == 0 && t.sourceWidth0 > 0 && t.sourceHeight0 > 0 &&
                       t.sourceWidth0 <= kMaxSourceWidth && t.sourceHeight0 <= kMaxSourceHeight;
    const uint64_t endX = kEntryScale * uint64_t(std::max(t.sourceWidth0, 0));
    const uint64_t endY = kEntryScale * uint64_t(std::max(t.sourceHeight0, 0));
    uint64_t badValue = 0, badTail = 0, firstBadValue = 0, firstBadTail = 0;
    uint64_t offSource = 0, firstOffSource = 0;
    for (uint64_t e = 0; e < R::kCapacity; ++e) {
        const uint64_t off = at + R::kHeaderBytes + R::kEntryBytes * e;
        const uint32_t v = in.u32(off);
        if (e < kept) {
            r.entries[e] = v;
            if (v == kInvalidEntry) continue;
            if (entryFx(v) > kMaxEntryFx || entryFy(v) > kMaxEntryFy) {
                if (badValue++ == 0) firstBadValue = off;
            } else if (sized && (kEntryScale * uint64_t(r.srcX0) + entryFx(v) >= endX ||
                                 kEntryScale * uint64_t(r.srcY0) + entryFy(v) >= endY)) {
                if (offSource++ == 0) firstOffSource = off;
            }
        } else if (v != kInvalidEntry && badTail++ == 0) {
            firstBadTail = off;
        }
    }
    if (offSource)
        log.add(firstOffSource, what + str(offSource) + " entries read past camera 0's " +
                                    str(t.sourceWidth0) + " x " + str(t.sourceHeight0) +
                                    " source image");
    if (badValue)
        log.add(firstBadValue,
                what + str(badValue) + " entries are neither invalid nor inside the source block");
    if (badTail)
        log.add(firstBadTail,
                what + str(badTail) + " entries past width x rows are not the invalid entry");
    return r;
}

void readSections(ByteSource& in, DeviceTable& t, TableViolations& log) {
    const size_t n = static_cast<size_t>(t.N);
    // The 2K export aligns a large panorama's rectangles to row pairs but cuts
    // them into records of any height; only the 4K table keeps every record on
    // row pairs.
    const bool rowPairs = t.format == TableFormat::Camera4K;
    uint64_t expected = sectionsStart(n);
    t.records.resize(n);
    std::vector<uint8_t> buffer;
    for (size_t i = 0; i < n; ++i) {
        const int cam = static_cast<int>(i);
        const uint64_t a1 = arrayItem(SectionOffsets, n, i), a2 = arrayItem(SectionLengths, n, i),
                       a3 = arrayItem(RecordCounts, n, i);
        if (t.sectionOffset[i] != expected)
            log.add(a1, "camera " + str(i) + " section starts at " + str(t.sectionOffset[i]) +
                            ", not right after the previous one at " + str(expected));
        if (t.sectionLength[i] != static_cast<uint64_t>(t.recordCount[i]) * kRecordBytes)
            log.add(a2, "camera " + str(i) + " section length " + str(t.sectionLength[i]) +
                            " is not its " + str(t.recordCount[i]) + " records of " +
                            str(kRecordBytes) + " bytes");
        // Records are read where they must be: right after the previous section.
        for (uint32_t k = 0; k < t.recordCount[i]; ++k) {
            const uint64_t at = expected + k * kRecordBytes;
            if (at + kRecordBytes > in.size()) {
                log.add(std::min<uint64_t>(at, in.size()),
                        "camera " + str(i) + " record " + str(k) + " of " + str(t.recordCount[i]) +
                            " is cut off by the end of the file (" + str(in.size()) + " bytes)");
                expected = in.size() + 1;  // nothing further can be where it belongs
                break;
            }
            t.records[i].push_back(
                readRecord(in.view(at, kRecordBytes, buffer), at, cam, k, t, rowPairs, log));
        }
        if (expected > in.size()) {
            if (i + 1 < n)
                log.add(a3, "camera " + str(i + 1) + (i + 2 < n ? ".." + str(n - 1) : "") +
                                " not read");
            return;
        }
        expected += static_cast<uint64_t>(t.recordCount[i]) * kRecordBytes;
    }
    if (t.blendOffset != expected)
        log.add(kBlendOffsetAt, "blend table offset " + str(t.blendOffset) +
                                    " is not the end of the camera sections, " + str(expected));
    const uint64_t blendEnd = static_cast<uint64_t>(expected) + t.blendLength;
    if (blendEnd != in.size())
        log.add(kBlendLengthAt, "blend table of " + str(t.blendLength) + " bytes from " +
                                    str(expected) + " does not end the file at " + str(in.size()));
    const uint64_t avail = expected <= in.size() ? in.size() - expected : 0;
    auto read = t.format == TableFormat::Camera4K ? readBlendTable4K : readBlendTable2K;
    t.blend = read(in, expected, avail, t.N, t.W, t.H, log);
    const BlendPartition part = blendPartition(t.W, t.N);
    const uint64_t records = static_cast<uint64_t>(t.H) * part.blockCount;
    if (t.blendRecords != records)
        log.add(kBlendRecordsAt,
                "blend record count " + str(t.blendRecords) + " is not " + str(records));
}

}  // namespace

const char* tableFormatName(TableFormat format) {
    switch (format) {
        case TableFormat::Camera2K:
            return "Camera 2K device table";
        case TableFormat::Camera4K:
            return "Camera 4K device table";
        case TableFormat::QuickWeave:
            return "QuickWeave project";
    }
    return "";
}

TableFormat detectTableFormat(const std::string& fileName, ByteSource& source) {
    std::vector<uint8_t> buffer;
    const ByteView in = source.view(0, kHeader, buffer);
    if (!in.has(0, kMagicBytes) || std::memcmp(in.data(), kMagic, kMagicBytes) != 0)
        return TableFormat::QuickWeave;
    const std::string base = fileName.substr(fileName.find_last_of("/\\") + 1);
    if (base.find("4K") != std::string::npos) return TableFormat::Camera4K;
    if (base.find("2K") != std::string::npos) return TableFormat::Camera2K;
    // The last block of every 4K row has all presence bits set in byte 7; in a
    // 2K table byte 7 is the block number, which stays below 0xE0 for any rig
    // with fewer than about 190 cameras.
    const int N = in.i32(kCameraCountAt);
    const BlendPartition part = blendPartition(in.i32(kWidthAt), N);
    if (part.blockCount < 1) return TableFormat::Camera2K;
    // Every block but the last is a full one.
    const uint64_t last =
        in.u32(kBlendOffsetAt) +
        static_cast<uint64_t>(part.blockCount - 1) * static_cast<uint64_t>(part.recordBytes(0, N));
    uint8_t byte7 = 0;
    source.read(last + BlendRecordHeader::kByte7At, &byte7, 1);
    return (byte7 & kBlendPresenceBits) == kBlendPresenceBits ? TableFormat::Camera4K
                                                              : TableFormat::Camera2K;
}

TableFormat detectTableFormat(const std::string& fileName, const uint8_t* data, size_t size) {
    MemorySource source(data, size);
    return detectTableFormat(fileName, source);
}

DeviceTable readDeviceTable(ByteSource& source, TableFormat format) {
    const uint64_t size = source.size();
    std::vector<uint8_t> head;
    ByteView in = source.view(0, kHeader, head);
    DeviceTable t;
    t.format = format;
    t.fileSize = size;
    TableViolations& log = t.violations;
    if (!in.has(0, kHeader)) {
        log.add(size, "the file ends within the " + str(kHeader) + "-byte header (" + str(size) +
                          " bytes)");
        return t;
    }
    if (std::memcmp(in.data(), kMagic, kMagicBytes) != 0) {
        log.add(0, "no \"" + std::string(kMagic) + "\" magic: not a device table");
        return t;
    }
    auto expect = [&](uint64_t at, uint64_t actual, uint64_t wanted, const char* field) {
        if (actual != wanted)
            log.add(at, std::string(field) + " is " + str(actual) + ", not " + str(wanted));
    };
    expect(kReservedAt, in.u32(kReservedAt), 0, ("header field at " + str(kReservedAt)).c_str());
    expect(kHeaderSizeAt, in.u32(kHeaderSizeAt), kHeader, "header size");
    expect(kFileSizeAt, in.u32(kFileSizeAt), size - kHeader, "file size field");
    t.sourceWidth0 = in.i32(kSourceWidthAt);
    t.sourceHeight0 = in.i32(kSourceHeightAt);
    t.W = in.i32(kWidthAt);
    t.H = in.i32(kHeightAt);
    expect(kBlockWidthAt, in.u16(kBlockWidthAt), kSourceBlockWidth, "source block width");
    expect(kBlockHeightAt, in.u16(kBlockHeightAt), kSourceBlockHeight, "source block height");
    t.N = in.i32(kCameraCountAt);
    t.blendOffset = in.u32(kBlendOffsetAt);
    t.blendLength = in.u32(kBlendLengthAt);
    t.blendRecords = in.u32(kBlendRecordsAt);
    for (uint64_t at = kZerosAt; at < kHeader; ++at)
        if (in.u8(at) != 0) {
            log.add(at, "header bytes 52..127 are not zero");
            break;
        }
    if (t.sourceWidth0 <= 0 || t.sourceHeight0 <= 0 || t.sourceWidth0 > kMaxSourceWidth ||
        t.sourceHeight0 > kMaxSourceHeight) {
        log.add(kSourceWidthAt, "camera 0 source size " + std::to_string(t.sourceWidth0) + " x " +
                                    std::to_string(t.sourceHeight0) + " is outside 1.." +
                                    str(kMaxSourceWidth) + " x 1.." + str(kMaxSourceHeight));
    }
    if (t.W <= 0 || t.H <= 0 || t.W > kMaxPanoramaExtent || t.H > kMaxPanoramaExtent) {
        log.add(kWidthAt, "panorama size " + std::to_string(t.W) + " x " + std::to_string(t.H) +
                              " is outside 1.." + str(kMaxPanoramaExtent));
        return t;
    }
    if (t.N < 1 || t.N > kMaxBlendCameras) {
        log.add(kCameraCountAt,
                "camera count " + std::to_string(t.N) + " is outside 1.." + str(kMaxBlendCameras));
        return t;
    }
    const size_t n = static_cast<size_t>(t.N);
    if (size < sectionsStart(n)) {
        log.add(size, "the file ends within the camera arrays (" + str(sectionsStart(n)) +
                          " bytes needed)");
        return t;
    }
    in = source.view(0, sectionsStart(n), head);
    t.readable = true;
    for (size_t i = 0; i < n; ++i) {
        t.sectionOffset.push_back(in.u32(arrayItem(SectionOffsets, n, i)));
        t.sectionLength.push_back(in.u32(arrayItem(SectionLengths, n, i)));
        t.recordCount.push_back(in.u32(arrayItem(RecordCounts, n, i)));
        const uint64_t a4 = arrayItem(PanoramaSizes, n, i), a5 = arrayItem(Reserved, n, i);
        if (in.u16(a4) != t.W || in.u16(a4 + 2) != t.H)
            log.add(a4, "camera " + str(i) + " size entry " + str(in.u16(a4)) + " x " +
                            str(in.u16(a4 + 2)) + " is not the panorama size");
        expect(a5, in.u32(a5), 0, ("camera " + str(i) + " reserved item").c_str());
    }
    readSections(source, t, log);
    return t;
}

DeviceTable readDeviceTable(const uint8_t* data, size_t size, TableFormat format) {
    MemorySource source(data, size);
    return readDeviceTable(source, format);
}
