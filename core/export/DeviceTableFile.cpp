#include "export/DeviceTableFile.h"

#include <cassert>
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
    LittleEndianWriter& o = out();
    o.bytes("J01", 4);  // with its terminating zero byte
    o.u32(0);
    o.u32(kHeaderSize);
    o.u32(fileSizeField_);
    o.i32(sourceWidth0_);
    o.i32(sourceHeight0_);
    o.i32(W_);
    o.i32(H_);
    o.u16(kSourceBlockWidth);
    o.u16(kSourceBlockHeight);
    o.i32(N_);
    o.u32(blendOffset_);
    o.u32(blendLength_);
    o.u32(blendRecords_);
    o.zeros(kHeaderSize - 52);
    for (uint32_t v : sectionOffsets_) o.u32(v);
    for (uint32_t v : sectionLengths_) o.u32(v);
    for (uint32_t v : recordCounts_) o.u32(v);
    for (int i = 0; i < N_; ++i) {
        o.u16(static_cast<uint16_t>(finished_ ? W_ : 0));
        o.u16(static_cast<uint16_t>(finished_ ? H_ : 0));
    }
    o.zeros(static_cast<size_t>(N_) * 4);
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
    fileSizeField_ = static_cast<uint32_t>(size - kHeaderSize);
    finished_ = true;
    o.seek(0);
    writeHeaderAndArrays();
    o.seek(size);
    return output_->commit();
}
