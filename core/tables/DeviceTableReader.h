// Reads "Camera_2K_Project.tab" and "Camera_4K_Project.tab" back and checks
// them as it reads: the "J01" container (DeviceTableLayout.h has the layout),
// every camera's remap records and the format's blend table. Whatever breaks
// the layout the exporters write is reported with its byte offset; a file cut
// short or with absurd counts is read as far as it makes sense and never past
// its end.
//
// What a record must satisfy: panoX and width multiples of 16 (in the 4K
// table also panoY and rows even), width x rows at most 16368, source block origin on the 128 x 180
// grid with 128 and 180 in the block size fields, valid entries within the block (fx <= 2032, fy <=
// 2864) and only invalid entries (0x4FFF4FFF) past width x rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/RedressRecord.h"
#include "tables/BlendTableRead.h"
#include "tables/ByteSource.h"
#include "tables/TableViolations.h"

enum class TableFormat { Camera2K, Camera4K, QuickWeave };

const char* tableFormatName(TableFormat format);

// The format of a table file: "J01" files are 4K tables when the name says so
// ("4K" in it) or, failing a name, when the last block of the first blend row
// carries the 4K mark; any other file is taken for a QuickWeave file.
TableFormat detectTableFormat(const std::string& fileName, ByteSource& source);
TableFormat detectTableFormat(const std::string& fileName, const uint8_t* data, size_t size);

struct DeviceTable {
    TableFormat format = TableFormat::Camera2K;
    // False when the file is not a device table at all or too damaged to
    // describe (no header, no camera arrays); the violations say why.
    bool readable = false;
    uint64_t fileSize = 0;
    int32_t sourceWidth0 = 0, sourceHeight0 = 0;
    int32_t W = 0, H = 0, N = 0;
    uint32_t blendOffset = 0, blendLength = 0, blendRecords = 0;
    std::vector<uint32_t> sectionOffset, sectionLength, recordCount;  // A1, A2, A3
    // Per camera, the records read (entries: width x rows, without the filler).
    std::vector<std::vector<RedressRecord>> records;
    BlendTableRead blend;
    TableViolations violations;

    bool valid() const { return readable && violations.empty(); }
};

// `format` is Camera2K or Camera4K and picks the blend table's layout. What is
// kept (the records' entries, the blend weights) is never more than the source
// holds.
DeviceTable readDeviceTable(ByteSource& source, TableFormat format);
DeviceTable readDeviceTable(const uint8_t* data, size_t size, TableFormat format);
