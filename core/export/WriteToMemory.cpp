#include "export/WriteToMemory.h"

#include <algorithm>
#include <climits>

#include "export/LittleEndianWriter.h"

QByteArray writeToMemory(size_t expectedBytes,
                         const std::function<void(LittleEndianWriter&)>& write) {
    QByteArray bytes;
    bytes.reserve(static_cast<int>(std::min<size_t>(expectedBytes, INT32_MAX / 2)));
    LittleEndianWriter out(bytes);
    write(out);
    if (!out.flush()) return QByteArray();
    return bytes;
}
