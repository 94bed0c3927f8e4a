// nona2: remaps the images of a Hugin/PanoTools project into panorama space
// and writes, per image, an RGBA layer TIFF and (with -c) two 32-bit float
// coordinate maps. Command line compatible with the part of Hugin's nona that
// the stitching tool uses: nona2 -c -z LZW -r ldr -m TIFF_m -o pic -i N project.pto
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "PtoProject.h"
#include "Remapper.h"
#include "TiffWriter.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif
#ifdef __linux__
#include <sys/prctl.h>

#include <csignal>
#endif

namespace {

const char* const kUsage =
    "Usage: nona2 [options] -o PREFIX PROJECT.pto\n"
    "Remaps the images of a PanoTools project and writes, in the current folder,\n"
    "PREFIX000N.tif (8-bit RGBA layer with its panorama position) for each image N,\n"
    "with -c also PREFIX000N_x.tif and PREFIX000N_y.tif (32-bit float source coordinates,\n"
    "-1 where undefined).\n"
    "Options:\n"
    "  -c          also write the coordinate maps\n"
    "  -o PREFIX   output name prefix (required)\n"
    "  -i N        remap only image N (may be given several times; default: all)\n"
    "  -m FORMAT   output format; only TIFF_m is supported (default: the project's)\n"
    "  -r MODE     output mode; only ldr is supported\n"
    "  -z TYPE     compression: NONE, LZW, DEFLATE or PACKBITS (default: the project's, else LZW)\n"
    "  -t N        number of threads (default: one per core; at most 64 are used)\n"
    "  --exact     evaluate the transform at every pixel (default: on a grid checked\n"
    "              against the exact transform; the maps differ by under 1/100 pixel)\n"
    "  -v          report what is done\n"
    "  -h, --help  show this text\n";

struct Args {
    bool coordinates = false;
    bool verbose = false;
    bool exact = false;
    std::string prefix;
    std::vector<int> images;
    std::string format;
    std::string mode = "ldr";
    std::string compression;
    int threads = 0;
    std::string project;
};

bool parseIndex(const char* text, int& out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 0 || v > 1000000) return false;
    out = static_cast<int>(v);
    return true;
}

// Returns 0 to go on, otherwise the exit code.
int parseArgs(int argc, char** argv, Args& args) {
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        auto value = [&](const char* what) -> const char* {
            if (k + 1 >= argc) {
                std::fprintf(stderr, "nona2: option %s needs %s\n%s", a.c_str(), what, kUsage);
                return nullptr;
            }
            return argv[++k];
        };
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return -1;
        } else if (a == "-c") {
            args.coordinates = true;
        } else if (a == "--exact") {
            args.exact = true;
        } else if (a == "-v") {
            args.verbose = true;
        } else if (a == "-o" || a == "-m" || a == "-r" || a == "-z" || a == "-i" || a == "-t") {
            const char* v = value(a == "-i" || a == "-t" ? "a number" : "a value");
            if (!v) return 2;
            if (a == "-o") args.prefix = v;
            if (a == "-m") args.format = v;
            if (a == "-r") args.mode = v;
            if (a == "-z") args.compression = v;
            if (a == "-i" || a == "-t") {
                int n = 0;
                if (!parseIndex(v, n) || (a == "-t" && n == 0)) {
                    std::fprintf(stderr, "nona2: %s needs a number, not '%s'\n", a.c_str(), v);
                    return 2;
                }
                if (a == "-i")
                    args.images.push_back(n);
                else
                    args.threads = n;
            }
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "nona2: unknown option %s\n%s", a.c_str(), kUsage);
            return 2;
        } else if (args.project.empty()) {
            args.project = a;
        } else {
            std::fprintf(stderr, "nona2: more than one project file given ('%s', '%s')\n",
                         args.project.c_str(), a.c_str());
            return 2;
        }
    }
    if (args.project.empty() || args.prefix.empty()) {
        std::fprintf(stderr, "nona2: a project file and an output prefix (-o) are needed\n%s",
                     kUsage);
        return 2;
    }
    return 0;
}

// Renames every written temporary file into place, or removes them all.
class OutputSet {
public:
    explicit OutputSet(std::string tag) : tag_(std::move(tag)) {}
    ~OutputSet() {
        for (const auto& f : files_) std::remove(f.second.c_str());
    }
    std::string temporary(const std::string& final) {
        files_.push_back({final, final + tag_});
        return files_.back().second;
    }
    bool commit(std::string& error) {
        for (const auto& f : files_) {
#ifdef _WIN32
            std::remove(f.first.c_str());  // rename does not replace files there
#endif
            if (std::rename(f.second.c_str(), f.first.c_str()) != 0) {
                error = f.first + ": cannot move the finished file into place";
                return false;
            }
        }
        files_.clear();
        return true;
    }

private:
    std::string tag_;
    std::vector<std::pair<std::string, std::string>> files_;
};

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int remapProject(int argc, char** argv) {
    Args args;
    const int parsed = parseArgs(argc, argv, args);
    if (parsed != 0) return parsed < 0 ? 0 : parsed;

    nona2::PtoProject project;
    std::string error;
    if (!nona2::readPtoFile(args.project, project, error)) {
        std::fprintf(stderr, "nona2: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& w : project.warnings)
        std::fprintf(stderr, "nona2: warning: %s\n", w.c_str());

    const std::string format = args.format.empty() ? project.pano.fileFormat : args.format;
    if (format != "TIFF_m") {
        std::fprintf(stderr, "nona2: output format '%s' is not supported (only TIFF_m)\n",
                     format.c_str());
        return 1;
    }
    if (args.mode != "ldr") {
        std::fprintf(stderr, "nona2: output mode '%s' is not supported (only ldr)\n",
                     args.mode.c_str());
        return 1;
    }
    std::string compressionName = args.compression;
    if (compressionName.empty()) compressionName = project.pano.compression;
    if (compressionName.empty()) compressionName = "LZW";
    const int compression = nona2::compressionCode(compressionName);
    if (compression < 0) {
        std::fprintf(stderr, "nona2: unknown compression '%s'\n", compressionName.c_str());
        return 2;
    }

    if (args.images.empty())
        for (size_t k = 0; k < project.images.size(); ++k)
            args.images.push_back(static_cast<int>(k));
    for (int index : args.images) {
        if (index >= static_cast<int>(project.images.size())) {
            std::fprintf(stderr,
                         "nona2: %s: image %d does not exist (the project has %zu images)\n",
                         args.project.c_str(), index, project.images.size());
            return 1;
        }
    }

    nona2::RemapOptions options;
    options.threads = args.threads;
    options.withMaps = args.coordinates;
    options.exact = args.exact;
    for (int index : args.images) {
        const auto start = std::chrono::steady_clock::now();
        const nona2::ImageDesc& image = project.images[static_cast<size_t>(index)];
        cv::Mat source;
        if (!nona2::loadSourceImage(image, source, error)) {
            std::fprintf(stderr, "nona2: %s:%d: %s\n", args.project.c_str(), image.line,
                         error.c_str());
            return 1;
        }
        nona2::RemappedLayer layer;
        if (!nona2::remapImage(project, index, source, options, layer, error)) {
            std::fprintf(stderr, "nona2: %s\n", error.c_str());
            return 1;
        }
        if (layer.validPixels == 0)
            std::fprintf(stderr, "nona2: warning: image %d does not appear in the panorama\n",
                         index);

        const std::string base = args.prefix + "000" + std::to_string(index);
        OutputSet outputs(".part" + std::to_string(getpid()));
        // The three files are compressed at the same time, one thread each.
        const std::string layerPath = outputs.temporary(base + ".tif");
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
            return nona2::writeLayerTiff(layerPath, layer.bgra, layer.left, layer.top, compression,
                                         errors[0]);
        });
        if (args.coordinates) {
            const std::string xPath = outputs.temporary(base + "_x.tif");
            const std::string yPath = outputs.temporary(base + "_y.tif");
            writers.emplace_back(guarded, 1, [&, xPath] {
                return nona2::writeMapTiff(xPath, layer.mapX, compression, errors[1]);
            });
            writers.emplace_back(guarded, 2, [&, yPath] {
                return nona2::writeMapTiff(yPath, layer.mapY, compression, errors[2]);
            });
        }
        for (std::thread& t : writers) t.join();
        for (int k = 0; k < 3; ++k) {
            if (!ok[k]) {
                std::fprintf(stderr, "nona2: %s\n", errors[k].c_str());
                return 1;
            }
        }
        if (!outputs.commit(error)) {
            std::fprintf(stderr, "nona2: %s\n", error.c_str());
            return 1;
        }
        if (args.verbose)
            std::printf("nona2: image %d: %dx%d layer at (%d, %d), %d valid pixels, %.3f s\n",
                        index, layer.bgra.cols, layer.bgra.rows, layer.left, layer.top,
                        layer.validPixels, seconds(start));
    }
    return 0;
}

int main(int argc, char** argv) {
#ifdef __linux__
    // Started by a script that is itself ended (a cancelled or killed load), we
    // end with it instead of writing on as an orphan.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    // Out of memory (a huge canvas) or a library failure must end with a
    // message and an error code, not an abort; unfinished files are removed
    // by the output set on the way out.
    try {
        return remapProject(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nona2: %s\n", e.what());
        return 1;
    }
}
