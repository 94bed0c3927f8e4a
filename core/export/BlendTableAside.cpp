#include "export/BlendTableAside.h"

#include <exception>

#include "export/WriteToMemory.h"

BlendTableAside::BlendTableAside(const ExportSnapshot& snap, int64_t bytes, Build build)
    : snap_(snap), bytes_(bytes), build_(std::move(build)), pending_(promise_.get_future()) {}

bool BlendTableAside::inMemory() const {
    return bytes_ <= kMaxTablePartInMemory;
}

std::function<void()> BlendTableAside::job() {
    if (!inMemory()) return nullptr;
    return [this] {
        try {
            Part part;
            WeightRows volume(snap_);
            part.bytes = writeToMemory(static_cast<size_t>(bytes_), [&](LittleEndianWriter& out) {
                part.outcome = build_(out, volume);
            });
            promise_.set_value(std::move(part));
        } catch (...) {
            promise_.set_exception(std::current_exception());
        }
    };
}

std::optional<ExportResult> BlendTableAside::writeInto(DeviceTableFile& file,
                                                       BlendTableOutcome& outcome,
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
