#include <string>
#include <vector>

#include "export/BlendTable4K.h"
#include "tables/BlendTableWalk.h"

namespace {

// Rows above this overlap the repeat count.
constexpr int kMaxRow = kBlendTable4KMaxRows - 1;

}  // namespace

BlendTableRead readBlendTable4K(ByteSource& source, uint64_t start, uint64_t length, int N, int W,
                                int H, TableViolations& log) {
    if (H > kMaxRow + 1)
        log.add(start, "the panorama has " + std::to_string(H) + " rows: rows from " +
                           std::to_string(kBlendTable4KMaxRows) + " on do not fit the " +
                           std::to_string(kBlendRowBits) + "-bit row field");
    // Per block: the repeat count the previous row announced, and its weights.
    std::vector<int> announced;
    std::vector<std::vector<uint8_t>> previous;
    auto check = [&, H, N](const BlendRecordAt& r, TableViolations& out) {
        if (announced.empty()) {
            announced.assign(static_cast<size_t>(r.blockCount), 0);
            previous.resize(static_cast<size_t>(r.blockCount));
        }
        const BlendRecordFields& f = r.fields;
        const size_t m = static_cast<size_t>(r.block);
        const std::string what =
            "blend record row " + std::to_string(f.y) + " block " + std::to_string(m) + ": ";
        const std::vector<uint8_t> weights(r.weights, r.weights + static_cast<size_t>(r.width) * N);
        if (f.y <= kMaxRow) {
            const int row = f.rowField & kMaxRow;
            const int repeat = f.rowField >> kBlendRowBits;
            if (row != f.y) out.add(r.fileOffset, what + "row bits hold " + std::to_string(row));
            if (announced[m] > 0 && (repeat != announced[m] - 1 || weights != previous[m]))
                out.add(r.fileOffset, what + "the row above announced " +
                                          std::to_string(announced[m]) +
                                          " repeated rows, this record has repeat count " +
                                          std::to_string(repeat) +
                                          (weights != previous[m] ? " and other weights" : ""));
            if (repeat > H - 1 - f.y)
                out.add(r.fileOffset, what + "repeat count " + std::to_string(repeat) +
                                          " runs past the last row");
            announced[m] = repeat;
        }
        previous[m] = weights;
        // Presence bits: cameras 0..2 in bits 5..7 of byte 7, cameras 3..5 in
        // those of byte 6; the last block of a row has them all set.
        uint8_t present6 = 0, present7 = 0;
        for (int p = 0; p < r.width; ++p)
            for (int c = 0; c < N && c < 6; ++c)
                if (r.weights[p * N + c] != 0) markCameraPresent(c, present6, present7);
        if (r.block == r.blockCount - 1) present6 = present7 = kBlendPresenceBits;
        const unsigned want6 = (static_cast<unsigned>(r.blockCount) | present6) & 0xFF;
        const unsigned want7 = (static_cast<unsigned>(r.block + 1) | present7) & 0xFF;
        if (f.byte6 != want6)
            out.add(r.fileOffset + BlendRecordHeader::kByte6At,
                    what + "byte 6 is " + std::to_string(f.byte6) +
                        ", block count and presence bits give " + std::to_string(want6));
        if (f.byte7 != want7)
            out.add(r.fileOffset + BlendRecordHeader::kByte7At,
                    what + "byte 7 is " + std::to_string(f.byte7) +
                        ", block number and presence bits give " + std::to_string(want7));
    };
    BlendTableRead t = walkBlendTable(source, start, length, N, W, H, log, check);
    return t;
}
