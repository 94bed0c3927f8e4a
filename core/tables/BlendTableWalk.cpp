#include "tables/BlendTableWalk.h"

#include <string>

#include "export/BlendPartition.h"

BlendTableRead walkBlendTable(ByteSource& source, uint64_t start, uint64_t length, int N, int W,
                              int H, TableViolations& log, const BlendRecordCheck& check) {
    BlendTableRead t;
    t.W = W;
    t.H = H;
    t.N = N;
    const BlendPartition part = blendPartition(W, N);
    if (part.blockCount < 1 || H < 1) return t;
    if (W % BlendPartition::kAlignment != 0)
        log.add(start, "panorama width " + std::to_string(W) +
                           " is not a multiple of 4: the last block of a row is misaligned");
    const uint64_t rowBytes = static_cast<uint64_t>(part.rowBytes(N));
    // Only whole rows are read, so the weights never take more memory than the file.
    const uint64_t wholeRows = length / rowBytes;
    t.rowsRead = static_cast<int>(std::min<uint64_t>(wholeRows, static_cast<uint64_t>(H)));
    if (t.rowsRead < H)
        log.add(start + length, "the blend table ends after " + std::to_string(t.rowsRead) +
                                    " of " + std::to_string(H) + " rows (" +
                                    std::to_string(rowBytes) + " bytes each)");
    t.weights.resize(static_cast<size_t>(t.rowsRead) * W * N);
    t.records.reserve(static_cast<size_t>(t.rowsRead) * part.blockCount);
    std::vector<uint8_t> buffer;
    for (int y = 0; y < t.rowsRead; ++y) {
        uint64_t at = start + static_cast<uint64_t>(y) * rowBytes;
        const ByteView in = source.view(at, static_cast<size_t>(rowBytes), buffer);
        for (int m = 0; m < part.blockCount; ++m) {
            BlendRecordFields f;
            static_cast<BlendRecordHeader&>(f) = BlendRecordHeader::readFrom(in, at);
            f.y = y;
            t.records.push_back(f);
            const int width = part.width(m);
            const uint64_t where = at;
            const std::string what =
                "blend record row " + std::to_string(y) + " block " + std::to_string(m) + ": ";
            if (f.x != part.start(m))
                log.add(where + BlendRecordHeader::kXAt, what + "first column " +
                                                             std::to_string(f.x) + ", not " +
                                                             std::to_string(part.start(m)));
            if (f.width != width)
                log.add(
                    where + BlendRecordHeader::kWidthAt,
                    what + "width " + std::to_string(f.width) + ", not " + std::to_string(width));
            const uint8_t* w = in.data() + (at - in.origin()) + BlendRecordHeader::kBytes;
            uint64_t over = 0, firstOver = 0;
            for (int p = 0; p < width; ++p) {
                unsigned sum = 0;
                for (int c = 0; c < N; ++c) sum += w[p * N + c];
                if (sum > 255 && over++ == 0)
                    firstOver = where + BlendRecordHeader::kBytes + static_cast<uint64_t>(p) * N;
            }
            if (over)
                log.add(firstOver,
                        what + std::to_string(over) + " pixels whose weights sum to more than 255");
            std::copy(w, w + static_cast<size_t>(width) * N,
                      t.weights.begin() + static_cast<std::ptrdiff_t>(
                                              (static_cast<size_t>(y) * W + part.start(m)) * N));
            check({t.records.back(), where, m, part.blockCount, w, width}, log);
            at += static_cast<uint64_t>(part.recordBytes(m, N));
        }
    }
    return t;
}
