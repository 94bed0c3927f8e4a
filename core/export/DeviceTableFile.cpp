#include "export/DeviceTableFile.h"

#include <cassert>
#include <cstring>
#include <limits>

#include "export/SourceBlocks.h"

DeviceTableFile::DeviceTableFile(const ExportSnapshot& snapshot, const std::string& fileName,
                                 QByteArray* memory, TableBatch* batch)
    : output_(memory ? memoryTableOutput(snapshot.outputPath(fileName), *memory)
                     : fileTableOutput(snapshot.outputPath(fileName), batch)),
      N_(snapshot.cameraCount),
      W_(snapshot.W),
      H_(snapshot.H),
      sectionOffsets_(static_cast<size_t>(snapshot.cameraCount), 0),
      sectionLengths_(static_cast<size_t>(snapshot.cameraCount), 0),
      recordCounts_(static_cast<size_t>(snapshot.cameraCount), 0) {
    assert(snapshot.cameraCount >= 1 && !snapshot.cameras.empty());
    sourceWidth0_ = snapshot.cameras[0].sourceWidth;
    sourceHeight0_ = snapshot.cameras[0].sourceHeight;
}

ExportResult DeviceTableFile::open() {
    ExportResult r = output_->open();
    if (!r.written()) return r;
    writeHeaderAndArrays();
    return r;
}

void DeviceTableFile::writeHeaderAndArrays() {
    using namespace device_table;
    // Laid out at the offsets of DeviceTableLayout.h; what is not set stays 0.
    std::vector<uint8_t> b(sectionsStart(static_cast<uint64_t>(N_)), 0);
    std::memcpy(b.data(), kMagic, kMagicBytes);
    storeU32(&b[kHeaderSizeAt], kHeaderBytes);
    storeU32(&b[kFileSizeAt], fileSizeField_);
    storeU32(&b[kSourceWidthAt], static_cast<uint32_t>(sourceWidth0_));
    storeU32(&b[kSourceHeightAt], static_cast<uint32_t>(sourceHeight0_));
    storeU32(&b[kWidthAt], static_cast<uint32_t>(W_));
    storeU32(&b[kHeightAt], static_cast<uint32_t>(H_));
    storeU16(&b[kBlockWidthAt], kSourceBlockWidth);
    storeU16(&b[kBlockHeightAt], kSourceBlockHeight);
    storeU32(&b[kCameraCountAt], static_cast<uint32_t>(N_));
    storeU32(&b[kBlendOffsetAt], blendOffset_);
    storeU32(&b[kBlendLengthAt], blendLength_);
    storeU32(&b[kBlendRecordsAt], blendRecords_);
    const uint64_t n = static_cast<uint64_t>(N_);
    for (uint64_t i = 0; i < n; ++i) {
        storeU32(&b[arrayItem(SectionOffsets, n, i)], sectionOffsets_[i]);
        storeU32(&b[arrayItem(SectionLengths, n, i)], sectionLengths_[i]);
        storeU32(&b[arrayItem(RecordCounts, n, i)], recordCounts_[i]);
        if (finished_) {
            storeU16(&b[arrayItem(PanoramaSizes, n, i)], static_cast<uint16_t>(W_));
            storeU16(&b[arrayItem(PanoramaSizes, n, i) + 2], static_cast<uint16_t>(H_));
        }
    }
    out().bytes(b.data(), b.size());
}

void DeviceTableFile::beginCamera(int camera) {
    assert(camera >= 0 && camera < N_);
    current_ = camera;
    sectionOffsets_[static_cast<size_t>(camera)] = static_cast<uint32_t>(out().pos());
}

void DeviceTableFile::writeRecord(const RedressRecord& record) {
    assert(current_ >= 0);
    record.writeTo(out());
    ++recordCounts_[static_cast<size_t>(current_)];
}

void DeviceTableFile::writeRecords(const QByteArray& bytes, uint32_t count) {
    assert(current_ >= 0);
    assert(static_cast<int64_t>(bytes.size()) ==
           static_cast<int64_t>(count) * RedressRecord::kBytes);
    out().bytes(bytes.constData(), static_cast<size_t>(bytes.size()));
    recordCounts_[static_cast<size_t>(current_)] += count;
}

void DeviceTableFile::endCamera() {
    assert(current_ >= 0);
    const size_t i = static_cast<size_t>(current_);
    sectionLengths_[i] = static_cast<uint32_t>(out().pos() - sectionOffsets_[i]);
    current_ = -1;
}

void DeviceTableFile::beginBlendTable() {
    blendOffset_ = static_cast<uint32_t>(out().pos());
}

void DeviceTableFile::endBlendTable(uint32_t recordCount) {
    blendLength_ = static_cast<uint32_t>(out().pos() - blendOffset_);
    blendRecords_ = recordCount;
}

ExportResult DeviceTableFile::finish() {
    LittleEndianWriter& o = out();
    const int64_t size = o.size();
    // Every offset field is 32 bits wide: a larger table cannot be described.
    if (size > static_cast<int64_t>(std::numeric_limits<uint32_t>::max())) {
        return failExport(path(), "Cannot write %s: the table would exceed 4 GB\r\n",
                          path().c_str());
    }
    fileSizeField_ = static_cast<uint32_t>(size - device_table::kHeaderBytes);
    finished_ = true;
    o.seek(0);
    writeHeaderAndArrays();
    o.seek(size);
    return output_->commit();
}
