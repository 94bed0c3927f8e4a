#include "OutputFiles.h"

#include <tiffio.h>

#ifdef __linux__
#include <fcntl.h>
#endif

#include <cerrno>

#include "TiffWriter.h"
#include "file/AtomicReplace.h"
#include "file/RemapOutputNames.h"

namespace nona2 {

// One output file: its temporary name, the open TIFF and its writer.
struct LayerFiles::File {
    AtomicReplace target;
    TIFF* tif = nullptr;
    std::unique_ptr<TiffImageWriter> writer;

    explicit File(const std::string& name) : target(name) {}
    ~File() { close(); }
    void close() {
        writer.reset();
        if (tif) TIFFClose(tif);
        tif = nullptr;
    }
};

LayerFiles::LayerFiles(std::string prefix, int index, bool withMaps, int compression, int workers)
    : prefix_(std::move(prefix)),
      index_(index),
      withMaps_(withMaps),
      compression_(compression),
      workers_(workers) {}

LayerFiles::~LayerFiles() = default;

bool LayerFiles::begin(int left, int top, int width, int height, std::string& error) {
    left_ = left, top_ = top, width_ = width, height_ = height;
    for (int k = 0; k < (withMaps_ ? 3 : 1); ++k) {
        files_.push_back(
            std::make_unique<File>(remapOutputName(prefix_, index_, static_cast<RemapOutput>(k))));
        File& f = *files_.back();
        errno = 0;
        f.tif = TIFFOpen(f.target.temporary().c_str(), "w");
        if (!f.tif) {
            error = cannotCreate(f.target.temporary(), errno);
            return false;
        }
        f.writer = std::make_unique<TiffImageWriter>(
            f.tif, f.target.temporary(),
            k == 0 ? TiffImageWriter::Kind::Layer : TiffImageWriter::Kind::Map, width, height, left,
            top, compression_);
    }
    return true;
}

bool LayerFiles::rows(const cv::Mat& bgra, const cv::Mat& mapX, const cv::Mat& mapY,
                      std::string& error) {
    const cv::Mat* parts[] = {&bgra, &mapX, &mapY};
    for (size_t k = 0; k < files_.size(); ++k) {
        if (!files_[k]->writer->append(*parts[k], workers_, error)) return false;
#ifdef __linux__
        // Renamed over an earlier file, a file's data is flushed first (ext4
        // does that so a crash cannot leave it empty), about 10 ms per map
        // with every core idle; started band by band, that flush has little
        // left to do and the rest overlaps the remapping.
        sync_file_range(TIFFFileno(files_[k]->tif), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    }
    return true;
}

bool LayerFiles::finish(std::string& error) {
    for (const auto& f : files_) {
        if (!f->writer->finish(error)) return false;
        f->close();
    }
    for (const auto& f : files_) {
        std::string reason;
        if (!f->target.commit(reason)) {
            error =
                f->target.target() + ": cannot move the finished file into place (" + reason + ")";
            return false;
        }
    }
    return true;
}

}  // namespace nona2
