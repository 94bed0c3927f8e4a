#include "RemapProject.h"

#include <chrono>
#include <cstdio>

#include "ImageReader.h"
#include "OutputFiles.h"
#include "ParallelRows.h"
#include "PtoProject.h"
#include "Remapper.h"
#include "TiffWriter.h"
#include "file/RemapOutputNames.h"
#include "system/MachineMemory.h"

namespace nona2 {
namespace {

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int remapProject(const RunOptions& args) {
    PtoProject project;
    std::string error;
    if (!readPtoFile(args.project, project, error)) {
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
    const int compression = compressionCode(compressionName);
    if (compression < 0) {
        std::fprintf(stderr, "nona2: unknown compression '%s'\n", compressionName.c_str());
        return 2;
    }

    std::vector<int> images = args.images;
    if (images.empty())
        for (size_t k = 0; k < project.images.size(); ++k) images.push_back(static_cast<int>(k));
    for (int index : images) {
        if (index >= static_cast<int>(project.images.size())) {
            std::fprintf(stderr,
                         "nona2: %s: image %d does not exist (the project has %zu images)\n",
                         args.project.c_str(), index, project.images.size());
            return 1;
        }
    }

    RemapOptions options;
    options.threads = args.threads;
    options.exact = args.exact;
    options.withMaps = args.coordinates;
    // Nothing is read or allocated for a layer the machine cannot hold.
    const MachineMemory machine = machineMemory();
    for (int index : images) {
        LayerPlan plan;
        if (!planLayer(project, index, options, plan, error)) {
            std::fprintf(stderr, "nona2: %s\n", error.c_str());
            return 1;
        }
        const PixelRect& l = plan.layer;
        if (args.plan) {
            if (plan.known)
                std::printf("image %d: layer %dx%d at %d,%d, needs %llu bytes\n", index, l.width(),
                            l.height(), l.left, l.top, static_cast<unsigned long long>(plan.need));
            else
                std::printf(
                    "image %d: layer unknown (smaller than the miniature shows), needs at least "
                    "%llu bytes\n",
                    index, static_cast<unsigned long long>(plan.need));
            continue;
        }
        const std::string what =
            "image " + std::to_string(index) +
            (plan.known ? ": remapping its " + std::to_string(l.width()) + " x " +
                              std::to_string(l.height()) + " layer needs"
                        : ": remapping needs at least");
        const std::string shortfall = memoryShortfall(what, plan.need, machine);
        if (!shortfall.empty()) {
            std::fprintf(stderr, "nona2: %s: %s\n", args.project.c_str(), shortfall.c_str());
            return 1;
        }
    }
    if (args.plan) return 0;
    for (int index : images) {
        const auto start = std::chrono::steady_clock::now();
        const ImageDesc& image = project.images[static_cast<size_t>(index)];
        cv::Mat source;
        if (!loadSourceImage(image, source, error)) {
            std::fprintf(stderr, "nona2: %s:%d: %s\n", args.project.c_str(), image.line,
                         error.c_str());
            return 1;
        }
        LayerFiles files(args.prefix, index, args.coordinates, compression,
                         workerCount(args.threads));
        int validPixels = 0;
        if (!remapImage(project, index, source, options, files, validPixels, error) ||
            !files.finish(error)) {
            std::fprintf(stderr, "nona2: %s\n", error.c_str());
            return 1;
        }
        if (validPixels == 0)
            std::fprintf(stderr, "nona2: warning: image %d does not appear in the panorama\n",
                         index);
        if (args.verbose)
            std::printf("nona2: image %d: %dx%d layer at (%d, %d), %d valid pixels, %.3f s\n",
                        index, files.width(), files.height(), files.left(), files.top(),
                        validPixels, seconds(start));
    }
    return 0;
}

}  // namespace nona2
