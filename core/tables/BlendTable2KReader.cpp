#include <string>

#include "tables/BlendTableWalk.h"

BlendTableRead readBlendTable2K(ByteSource& source, uint64_t start, uint64_t length, int N, int W,
                                int H, TableViolations& log) {
    return walkBlendTable(
        source, start, length, N, W, H, log, [](const BlendRecordAt& r, TableViolations& out) {
            const std::string what = "blend record row " + std::to_string(r.fields.y) + " block " +
                                     std::to_string(r.block) + ": ";
            if (r.fields.rowField != r.fields.y)
                out.add(r.fileOffset, what + "row field " + std::to_string(r.fields.rowField));
            // Both bytes are 8 bits wide; the counts are stored cut to them.
            if (r.fields.byte6 != (r.blockCount & 0xFF))
                out.add(r.fileOffset + BlendRecordHeader::kByte6At,
                        what + "block count " + std::to_string(r.fields.byte6) + ", not " +
                            std::to_string(r.blockCount));
            if (r.fields.byte7 != ((r.block + 1) & 0xFF))
                out.add(r.fileOffset + BlendRecordHeader::kByte7At,
                        what + "block number " + std::to_string(r.fields.byte7) + ", not " +
                            std::to_string(r.block + 1));
        });
}
