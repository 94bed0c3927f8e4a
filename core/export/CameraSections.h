// Camera sections of the 2K and 4K tables built in memory, on two threads, and
// written into the table in camera order with their console lines.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "export/DeviceTableFile.h"
#include "export/ExportCommon.h"
#include "export/SectionPipeline.h"

// One camera's section as built, and what its building would have printed.
struct CameraSection {
    QByteArray bytes;      // the section's records, as written
    uint32_t records = 0;  // records in bytes
    // The console text (with its line end, if any) of a failure that stops the
    // export at this camera; empty when there is none.
    std::string failure;
    int edgeCount = 0;                 // entries of the camera's imgBdy
    int64_t brokenBoundaryPixels = 0;  // pixels tested against a broken imgBdy
    std::unique_ptr<DebugImages> images;
};

using CameraSectionPipeline = SectionPipeline<CameraSection>;

// Room to reserve for a camera's section buffer: reserved memory that is never
// touched costs nothing, growing the buffer would copy it.
size_t cameraSectionReserve(const CameraSnapshot& cam);

// Takes the sections from the pipeline in camera order and, for each, prints
// what building it printed, writes it, saves its debug images (when
// `saveImages`; on another thread, one camera at a time, all done before
// returning) and prints "pic:%d count_total:%d  real:total:%d\r\n". Returns the
// Failed result (message printed) of a section that stops the export, after
// the sections before it.
std::optional<ExportResult> writeCameraSections(DeviceTableFile& file,
                                                CameraSectionPipeline& sections, int count,
                                                const std::string& projectDir, bool saveImages);

// A blend table depends only on the snapshot: it is built, with the weights it
// is read from, into memory on the pipeline's helper thread while the camera
// sections are written, and copied into the file after them. Tables too large
// for memory are built in place at the end instead. An allocation failure on
// the helper thread is rethrown by writeInto.
template <class Outcome>
class BlendTableAside {
public:
    // `build` writes the whole table through the writer it is given, reading
    // the weights it is given, and returns the format's outcome (which has a
    // `misaligned` flag).
    using Build = std::function<Outcome(LittleEndianWriter&, WeightRows&)>;

    BlendTableAside(const ExportSnapshot& snap, int64_t bytes, Build build)
        : snap_(snap), bytes_(bytes), build_(std::move(build)), pending_(promise_.get_future()) {}

    bool inMemory() const { return bytes_ <= kMaxTablePartInMemory; }

    // The helper thread's job; nothing when the table is built in place.
    std::function<void()> job() {
        if (!inMemory()) return nullptr;
        return [this] {
            try {
                Part part;
                WeightRows volume(snap_);
                part.bytes = writeToMemory(
                    static_cast<size_t>(bytes_),
                    [&](LittleEndianWriter& out) { part.outcome = build_(out, volume); });
                promise_.set_value(std::move(part));
            } catch (...) {
                promise_.set_exception(std::current_exception());
            }
        };
    }

    // Puts the table into `file` at its position (copying the finished one, or
    // building it now) and sets `outcome`. A misaligned table writes nothing;
    // one that came out short is a failure (message printed).
    std::optional<ExportResult> writeInto(DeviceTableFile& file, Outcome& outcome,
                                          const std::string& path) {
        if (!inMemory()) {
            WeightRows volume(snap_);
            outcome = build_(file.out(), volume);
            return std::nullopt;
        }
        const Part part = pending_.get();
        outcome = part.outcome;
        if (outcome.misaligned) return std::nullopt;
        if (part.bytes.size() != bytes_)
            return failExport(path, "Cannot write %s: the blend table could not be built\r\n",
                              path.c_str());
        file.out().bytes(part.bytes.constData(), static_cast<size_t>(part.bytes.size()));
        return std::nullopt;
    }

private:
    struct Part {
        QByteArray bytes;
        Outcome outcome;
    };
    const ExportSnapshot& snap_;
    const int64_t bytes_;
    const Build build_;
    std::promise<Part> promise_;
    std::future<Part> pending_;
};
