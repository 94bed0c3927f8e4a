#include "LzwEncoder.h"

#include <algorithm>
#include <cstring>

namespace nona2 {
namespace {

constexpr unsigned kClear = 256;
constexpr unsigned kEnd = 257;
constexpr unsigned kFirstCode = 258;
constexpr unsigned kMinBits = 9;
// libtiff's encoder starts over one code before the 12-bit table is full,
// and its reader relies on that.
constexpr unsigned kTableFull = (1u << 12) - 2;
constexpr unsigned kHashBits = 13;  // twice the table: short probes
constexpr uint32_t kHashMask = (1u << kHashBits) - 1;
// Noise (the low bytes of the map's floats, a photo's grain): when the last
// kWindow codes stood for fewer than kNoiseBytes bytes, lookups rarely hit,
// and the next `noiseSkip` bytes go out one code each without one. The
// reader's table grows alike; only those entries go unused.
constexpr unsigned kWindow = 64;
constexpr size_t kNoiseBytes = 80;

inline uint32_t slotOf(uint32_t key) {
    return (key * 2654435761u) >> (32 - kHashBits);
}

// How many of the first `limit` bytes at `p` equal `c`.
size_t sameBytes(const uint8_t* p, size_t limit, uint8_t c) {
    const uint64_t pattern = 0x0101010101010101ull * c;
    size_t n = 0;
    for (; n + 8 <= limit; n += 8) {
        uint64_t word;
        std::memcpy(&word, p + n, 8);
        if (word != pattern) break;
    }
    while (n < limit && p[n] == c) ++n;
    return n;
}

// The code stream, most significant bit first, stored four bytes at a time.
struct BitWriter {
    uint8_t* out;
    uint64_t pending = 0;  // bits not yet written, right-aligned
    unsigned count = 0;

    void put(unsigned code, unsigned bits) {
        pending = (pending << bits) | code;
        count += bits;
        if (count >= 32) {
            count -= 32;
            const auto word = static_cast<uint32_t>(pending >> count);
            out[0] = static_cast<uint8_t>(word >> 24);
            out[1] = static_cast<uint8_t>(word >> 16);
            out[2] = static_cast<uint8_t>(word >> 8);
            out[3] = static_cast<uint8_t>(word);
            out += 4;
        }
    }
    void flush() {
        while (count >= 8) {
            count -= 8;
            *out++ = static_cast<uint8_t>(pending >> count);
        }
        if (count > 0) *out++ = static_cast<uint8_t>(pending << (8 - count));
        count = 0;
    }
};

}  // namespace

LzwEncoder::LzwEncoder() : hash_(size_t{1} << kHashBits), runs_(256), runOf_(1u << 12) {
    for (unsigned b = 0; b < 256; ++b) {
        runOf_[b] = (1u << 8) | b;
        runs_[b].reserve(64);
        runs_[b].assign(1, static_cast<uint16_t>(b));
    }
    usedSlots_.reserve(kTableFull);
}

void LzwEncoder::reset() {
    // Only what the last table used: a strip of one repeated byte (most of a
    // full-canvas layer) fills a few entries, and clearing the whole hash
    // for each strip would cost more than encoding it.
    for (uint32_t slot : usedSlots_) hash_[slot] = 0;
    usedSlots_.clear();
    for (uint8_t b : grownRuns_) runs_[b].resize(1);
    grownRuns_.clear();
}

size_t LzwEncoder::maxEncodedSize(size_t size) {
    // At most one 12-bit code per byte, plus a clear code per table and the
    // first clear and end codes.
    return size + size / 2 + 2 * (size / (kTableFull - kFirstCode)) + 16;
}

size_t LzwEncoder::encode(const uint8_t* data, size_t size, std::vector<uint8_t>& out,
                          size_t noiseSkip) {
    const size_t bound = maxEncodedSize(size);
    if (out.size() < bound) out.resize(bound);
    BitWriter w{out.data()};
    reset();
    unsigned bits = kMinBits;
    unsigned next = kFirstCode;
    w.put(kClear, bits);
    unsigned prefix = size > 0 ? data[0] : 0;
    size_t lookupFrom = 0;   // no lookups before this byte (noise)
    size_t windowStart = 0;  // first byte of the current window of codes
    unsigned windowCodes = 0;
    // Held in locals: the code stream's byte stores could alias the members,
    // which would reload them on every byte.
    uint32_t* const hash = hash_.data();
    uint32_t* const runOf = runOf_.data();
    std::vector<uint16_t>* const runs = runs_.data();
    for (size_t i = 1; i < size; ++i) {
        const uint8_t c = data[i];
        const uint32_t runOfPrefix = runOf[prefix];
        const unsigned run = runOfPrefix >> 8;
        const bool extendsRun = run != 0 && (runOfPrefix & 0xff) == c;
        if (extendsRun) {
            const std::vector<uint16_t>& chain = runs[c];
            const size_t longer = chain.size() - run;  // longer runs of c in the table
            if (longer > 0) {
                // The greedy match walks the chain as far as the input repeats c.
                const size_t n = sameBytes(data + i, std::min(longer, size - i), c);
                prefix = chain[run + n - 1];
                i += n - 1;
                continue;
            }
        } else if (i >= lookupFrom) {
            const uint32_t key = (static_cast<uint32_t>(c) << 12) | prefix;
            uint32_t slot = slotOf(key);
            uint32_t entry;
            while ((entry = hash[slot]) != 0 && (entry >> 12) != key) slot = (slot + 1) & kHashMask;
            if (entry != 0) {
                prefix = entry & 0xfff;
                continue;
            }
            hash[slot] = (key << 12) | next;  // the free slot the probe ended on
            usedSlots_.push_back(slot);
            if (++windowCodes == kWindow) {
                if (i - windowStart < kNoiseBytes) lookupFrom = i + noiseSkip;
                windowStart = std::max(i, lookupFrom);
                windowCodes = 0;
            }
        }
        w.put(prefix, bits);
        if (extendsRun) {
            if (runs[c].size() == 1) grownRuns_.push_back(c);
            runs[c].push_back(static_cast<uint16_t>(next));
        }
        runOf[next] = extendsRun ? ((run + 1) << 8) | c : 0;
        prefix = c;
        if (++next == kTableFull) {
            w.put(kClear, bits);
            reset();
            bits = kMinBits;
            next = kFirstCode;
        } else if (next > (1u << bits) - 1) {
            ++bits;
        }
    }
    if (size > 0) {
        w.put(prefix, bits);
        // The reader counts this code as a table entry too and widens (or
        // starts over) before it reads the end code.
        if (++next == kTableFull)
            w.put(kClear, bits), bits = kMinBits;
        else if (next > (1u << bits) - 1)
            ++bits;
    }
    w.put(kEnd, bits);
    w.flush();
    return static_cast<size_t>(w.out - out.data());
}

}  // namespace nona2
