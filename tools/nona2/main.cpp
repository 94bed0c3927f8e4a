// nona2: remaps the images of a Hugin/PanoTools project into panorama space
// and writes, per image, an RGBA layer TIFF and (with -c) two 32-bit float
// coordinate maps. Command line compatible with the part of Hugin's nona that
// the stitching tool uses: nona2 -c -z LZW -r ldr -m TIFF_m -o pic -i N project.pto
// This file is the front end: it turns the command line into RunOptions and
// hands them to remapProject.
#include <tiffio.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "RemapProject.h"

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

const char* const kUsage =
    "Usage: nona2 [options] -o PREFIX PROJECT.pto\n"
    "Remaps the images of a PanoTools project and writes, in the current folder,\n"
    "PREFIX000N.tif (8-bit RGBA layer with its panorama position) for each image N,\n"
    "with -c also PREFIX000N_x.tif and PREFIX000N_y.tif (32-bit float source coordinates,\n"
    "-1 where undefined or outside the image).\n"
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
    "  --plan      print each image's layer and the memory remapping it takes\n"
    "              (\"image N: layer WxH at X,Y, needs B bytes\"), remap nothing\n"
    "  -h, --help  show this text\n"
    "  --version   show the version\n";

bool parseIndex(const char* text, int& out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 0 || v > 1000000) return false;
    out = static_cast<int>(v);
    return true;
}

// Returns 0 to go on, -1 when the help or the version was asked for, otherwise
// the exit code.
int parseArgs(int argc, char** argv, nona2::RunOptions& args) {
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
        } else if (a == "--version") {
            std::printf("nona2 %s (OrvikJoint)\n", ORVIK_VERSION);
            return -1;
        } else if (a == "-c") {
            args.coordinates = true;
        } else if (a == "--exact") {
            args.exact = true;
        } else if (a == "-v") {
            args.verbose = true;
        } else if (a == "--plan") {
            args.plan = true;
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

}  // namespace

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // Beyond a file size limit a write fails with the system's reason and the
    // unfinished files are removed, instead of the signal ending us first.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // Every libtiff call we make reports failure by its result, which we turn
    // into one message with the system's reason; libtiff's own lines (several
    // per failed write, more while the unfinished files are closed) would
    // only bury it.
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
#ifdef __linux__
    // Started by a script that is itself ended (a cancelled or killed load), we
    // end with it instead of writing on as an orphan.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    // Out of memory (a huge canvas) or a library failure must end with a
    // message and an error code, not an abort; unfinished files are removed
    // on the way out.
    try {
        nona2::RunOptions options;
        const int parsed = parseArgs(argc, argv, options);
        if (parsed != 0) return parsed < 0 ? 0 : parsed;
        return nona2::remapProject(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nona2: %s\n", e.what());
        return 1;
    }
}
