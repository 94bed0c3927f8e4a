// A device table's blend table built beside its camera sections. The table
// depends only on the snapshot: it is built, with the weights it is read from,
// into memory on the section pipeline's helper thread while the camera
// sections are written, and copied into the file after them. Tables too large
// for memory are built in place at the end instead.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <string>

#include "export/BlendPartition.h"
#include "export/DeviceTableFile.h"
#include "export/WeightVolume.h"

class BlendTableAside {
public:
    // `build` writes the whole table through the writer it is given, reading
    // the weights it is given, and prints nothing. `bytes` is the table's size.
    using Build = std::function<BlendTableOutcome(LittleEndianWriter&, WeightRows&)>;

    BlendTableAside(const ExportSnapshot& snap, int64_t bytes, Build build);

    // The helper thread's job; nothing when the table is built in place.
    std::function<void()> job();

    // Puts the table into `file` at its position (copying the finished one, or
    // building it now) and sets `outcome`. A misaligned table writes nothing;
    // one that came out short is a failure (message printed). An allocation
    // failure on the helper thread is rethrown here.
    std::optional<ExportResult> writeInto(DeviceTableFile& file, BlendTableOutcome& outcome,
                                          const std::string& path);

private:
    struct Part {
        QByteArray bytes;
        BlendTableOutcome outcome;
    };
    bool inMemory() const;

    const ExportSnapshot& snap_;
    const int64_t bytes_;
    const Build build_;
    std::promise<Part> promise_;
    std::future<Part> pending_;
};
