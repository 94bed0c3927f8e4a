#include "OutputFiles.h"

#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "TiffWriter.h"
#include "file/AtomicReplace.h"

namespace nona2 {

bool writeLayerFiles(const std::string& base, const RemappedLayer& layer, bool withMaps,
                     int compression, std::string& error) {
    std::vector<std::unique_ptr<AtomicReplace>> files;
    files.push_back(std::make_unique<AtomicReplace>(base + ".tif"));
    if (withMaps) {
        files.push_back(std::make_unique<AtomicReplace>(base + "_x.tif"));
        files.push_back(std::make_unique<AtomicReplace>(base + "_y.tif"));
    }
    std::string errors[3];
    bool ok[3] = {true, true, true};
    std::vector<std::thread> writers;
    // Runs one writer, turning an exception (out of memory) into its error.
    auto guarded = [&](int slot, const std::function<bool()>& write) {
        try {
            ok[slot] = write();
        } catch (const std::exception& e) {
            ok[slot] = false;
            errors[slot] = e.what();
        }
    };
    writers.emplace_back(guarded, 0, [&] {
        return writeLayerTiff(files[0]->temporary(), layer.bgra, layer.left, layer.top, compression,
                              errors[0]);
    });
    if (withMaps) {
        writers.emplace_back(guarded, 1, [&] {
            return writeMapTiff(files[1]->temporary(), layer.mapX, compression, errors[1]);
        });
        writers.emplace_back(guarded, 2, [&] {
            return writeMapTiff(files[2]->temporary(), layer.mapY, compression, errors[2]);
        });
    }
    for (std::thread& t : writers) t.join();
    for (int k = 0; k < 3; ++k) {
        if (!ok[k]) {
            error = errors[k];
            return false;
        }
    }
    for (const auto& file : files) {
        std::string reason;
        if (!file->commit(reason)) {
            error = file->target() + ": cannot move the finished file into place";
            return false;
        }
    }
    return true;
}

}  // namespace nona2
