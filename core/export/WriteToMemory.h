// Parts of a table built in memory, so that a part that comes late in the file
// can be built on another thread while the earlier parts are written; the
// bytes are then copied into the file as they are.
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <functional>

class LittleEndianWriter;

// Runs `write` with a writer over a memory buffer that first reserves
// `expectedBytes`, and returns what was written (empty after a failure).
QByteArray writeToMemory(size_t expectedBytes,
                         const std::function<void(LittleEndianWriter&)>& write);
// Largest part built that way; larger ones are written in place, in turn.
constexpr int64_t kMaxTablePartInMemory = int64_t(256) << 20;
