// A table file of any of the three formats, read and checked in one step, for
// the command line and the window.
#pragma once

#include <memory>
#include <string>

#include "tables/DeviceTableReader.h"
#include "tables/DeviceView.h"
#include "tables/QuickWeaveReader.h"

struct TableFile {
    std::string path;
    std::string error;  // the file could not be read at all (then nothing else is set)
    TableFormat format = TableFormat::Camera2K;
    std::unique_ptr<DeviceTable> device;          // Camera2K, Camera4K
    std::unique_ptr<QuickWeaveTable> quickWeave;  // QuickWeave

    int W() const { return device ? device->W : quickWeave ? quickWeave->W : 0; }
    int H() const { return device ? device->H : quickWeave ? quickWeave->H : 0; }
    int N() const { return device ? device->N : quickWeave ? quickWeave->N : 0; }
    bool readable() const {
        return device ? device->readable : quickWeave ? quickWeave->readable : false;
    }
    const TableViolations& violations() const;
    bool valid() const { return error.empty() && readable() && violations().empty(); }

    // Why the coverage and the render cannot be computed (viewProblem), empty
    // when they can.
    std::string viewProblem() const;
    TableCoverage coverage() const;
    // `frameSizes` (camera images' sizes, when known) as for a QuickWeave render.
    TableReach reach(const std::vector<cv::Size>& frameSizes = {}) const;
    DeviceView render(const std::vector<cv::Mat>& frames) const;
};

// `path` in the local 8-bit encoding, as for every file call. Only a regular
// file is read, piece by piece (ByteSource.h), so the memory it takes is what
// the reader keeps; `error` says why a file was not read at all (not a regular
// file, no table of any format, a read error, not enough memory), naming it.
TableFile readTableFile(const std::string& path);
