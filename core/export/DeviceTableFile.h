// The "J01" container of the device tables (DeviceTableLayout.h has the
// layout): a 128-byte header, five arrays of N four-byte items, one section of
// remap records per camera, then the blend table. Offsets and counts that are
// known only at the end are written as 0 first and patched by finish().
//
// DeviceTableExport.h runs a format through it.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "export/DeviceTableLayout.h"
#include "export/ExportSnapshot.h"
#include "export/LittleEndianWriter.h"
#include "export/RedressRecord.h"
#include "export/TableOutput.h"

class DeviceTableFile {
public:
    // `fileName` is placed in the snapshot's project folder. With `memory`
    // the table is built there instead, byte for byte as the file would be,
    // and no file is touched; with `batch` the finished file is put in place
    // by the batch (TableBatch.h).
    DeviceTableFile(const ExportSnapshot& snapshot, const std::string& fileName,
                    QByteArray* memory = nullptr, TableBatch* batch = nullptr);

    const std::string& path() const { return output_->path(); }

    // Creates the (temporary) file and writes the header and the five arrays
    // with their placeholders. Failed when the file cannot be created.
    ExportResult open();

    // The writer, for the blend table and for any byte a format writes itself.
    LittleEndianWriter& out() { return output_->out(); }

    // Camera sections, in camera index order 0 .. N-1: beginCamera notes the
    // section offset, writeRecord writes and counts one record, endCamera notes
    // the section length.
    void beginCamera(int camera);
    void writeRecord(const RedressRecord& record);
    // `count` records already laid out (built in memory): `bytes` holds exactly
    // count x RedressRecord::kBytes bytes.
    void writeRecords(const QByteArray& bytes, uint32_t count);
    void endCamera();
    // Records written so far for `camera` (A3).
    uint32_t recordCount(int camera) const { return recordCounts_[static_cast<size_t>(camera)]; }

    // The blend table: beginBlendTable notes its offset (the cursor must be at
    // the end of the last section); endBlendTable its length (cursor - offset)
    // and record count. Between the two the format writes through out(), and
    // may seek back and patch within what it wrote.
    void beginBlendTable();
    void endBlendTable(uint32_t recordCount);

    // Patches the header and arrays and puts the file in place. If this is
    // never called (a format failure), nothing replaces an earlier table.
    ExportResult finish();

private:
    void writeHeaderAndArrays();

    std::unique_ptr<TableOutput> output_;
    int N_ = 0;
    int W_ = 0;
    int H_ = 0;
    int sourceWidth0_ = 0;
    int sourceHeight0_ = 0;
    int current_ = -1;
    std::vector<uint32_t> sectionOffsets_;  // A1
    std::vector<uint32_t> sectionLengths_;  // A2
    std::vector<uint32_t> recordCounts_;    // A3
    uint32_t fileSizeField_ = 0;            // header 12
    uint32_t blendOffset_ = 0;              // header 40
    uint32_t blendLength_ = 0;              // header 44
    uint32_t blendRecords_ = 0;             // header 48
    bool finished_ = false;                 // A4 holds (W, H) only in the finished file
};
