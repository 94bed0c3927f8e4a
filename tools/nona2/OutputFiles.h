// The files nona2 writes for one remapped image.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Remapper.h"

namespace nona2 {

// Writes the layer it receives for image `index` as PREFIX000N.tif and, with
// `withMaps`, its maps as PREFIX000N_x.tif and PREFIX000N_y.tif (the names of
// file/RemapOutputNames.h; `compression` a TIFF code, see compressionCode),
// each band as it arrives, its LZW strips compressed on `workers` threads. The
// files are written under temporary names beside their targets and renamed
// into place by finish() only when all of them are complete. Every failure
// comes back as a message naming the file and the problem; the temporary
// files are then gone (a file renamed before a later rename failed stays).
class LayerFiles : public LayerSink {
public:
    LayerFiles(std::string prefix, int index, bool withMaps, int compression, int workers);
    ~LayerFiles() override;

    bool begin(int left, int top, int width, int height, std::string& error) override;
    bool rows(const cv::Mat& bgra, const cv::Mat& mapX, const cv::Mat& mapY,
              std::string& error) override;
    // Completes the files and moves them into place.
    bool finish(std::string& error);

    // The layer as begin() gave it, for the report.
    int left() const { return left_; }
    int top() const { return top_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    struct File;

    std::string prefix_;
    int index_;
    bool withMaps_;
    int compression_;
    int workers_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::vector<std::unique_ptr<File>> files_;  // layer, then the x and y maps
};

}  // namespace nona2
