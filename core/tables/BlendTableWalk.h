// The part of reading a blend table that both formats share: walking the
// records where the block partition puts them, checking the first column,
// width and weight sums, and copying the weights. Each format checks its own
// row field and bytes 6 and 7 in the callback.
#pragma once

#include <functional>

#include "tables/BlendTableRead.h"
#include "tables/ByteSource.h"

struct BlendRecordAt {
    const BlendRecordFields& fields;
    uint64_t fileOffset;  // of the record's first byte
    int block;            // m, 0-based
    int blockCount;
    const uint8_t* weights;  // width x N
    int width;               // the partition's width (the field may disagree)
};

using BlendRecordCheck = std::function<void(const BlendRecordAt&, TableViolations&)>;

BlendTableRead walkBlendTable(ByteSource& source, uint64_t start, uint64_t length, int N, int W,
                              int H, TableViolations& log, const BlendRecordCheck& check);
