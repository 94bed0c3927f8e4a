// TIFF's LZW compression of one strip, for the remapper's layers and maps.
// Most of a full-canvas layer or map is one byte repeated once the predictor
// has run (transparent pixels, undefined positions); libtiff's encoder hashes
// its way through such a run byte by byte, this one crosses it in one step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace nona2 {

// Encodes strips the way libtiff reads them: codes of 9 to 12 bits, most
// significant bit first, a clear code first, the end code last, the code
// width growing one code before the table needs it, and a clear code when the
// table is full. One encoder per thread; its tables are reused between strips.
class LzwEncoder {
public:
    LzwEncoder();
    // Writes the encoding of `size` bytes at `data` to the start of `out`,
    // growing it to maxEncodedSize(size) if it is shorter, and returns its
    // length. Once a stretch looks like noise, the next `noiseSkip` bytes go
    // out without table lookups: best about the length of one noisy plane of
    // a predicted row (shorter and the encoder probes the rest of the noise
    // in vain; longer and it misses the smooth planes' strings). 1024 costs
    // the maps about 5 % in size and saves a third of the encoding time.
    size_t encode(const uint8_t* data, size_t size, std::vector<uint8_t>& out,
                  size_t noiseSkip = 1024);
    static size_t maxEncodedSize(size_t size);

private:
    void reset();

    // Strings that are not a run of one byte: open addressing on (prefix code,
    // next byte), each slot holding key << 12 | code, 0 when free.
    std::vector<uint32_t> hash_;
    // Runs: runs_[b][k - 1] is the code of byte b repeated k times (k = 1 is
    // b itself); runOf_[code] is k << 8 | b for such a string, 0 for any other.
    std::vector<std::vector<uint16_t>> runs_;
    std::vector<uint32_t> runOf_;
    // What the table in use has filled, for reset().
    std::vector<uint32_t> usedSlots_;
    std::vector<uint8_t> grownRuns_;
};

}  // namespace nona2
