// One run of nona2: what the command line asked for, and doing it.
#pragma once

#include <string>
#include <vector>

namespace nona2 {

// The command line, parsed; empty strings and lists mean "not given".
struct RunOptions {
    std::string project;       // the .pto file
    std::string prefix;        // -o: outputs are PREFIX000N.tif (and _x, _y)
    std::vector<int> images;   // -i: image numbers in order; empty: every image
    bool coordinates = false;  // -c: also write the coordinate maps
    std::string format;        // -m: empty takes the project's
    std::string mode = "ldr";  // -r
    std::string compression;   // -z: empty takes the project's, else LZW
    int threads = 0;           // -t: 0 is one per core
    bool exact = false;        // --exact: libpano13 at every pixel
    bool verbose = false;      // -v: one line per image on standard output
    bool plan = false;         // --plan: say what remapping would take, remap nothing
};

// Reads the project and remaps the chosen images one after another into the
// current folder. Stops at the first problem with one "nona2: ..." line on
// standard error naming the file and what is wrong; warnings go there too.
// Before any source image is read, each chosen image's layer is planned, and
// a project whose largest layer needs more memory than the machine has is
// refused. With `plan`, prints one line per chosen image instead:
//   image N: layer WxH at X,Y, needs B bytes
//   image N: layer unknown (smaller than the miniature shows), needs at least B bytes
// Returns the exit code: 0 done, 1 failed, 2 an unknown compression.
int remapProject(const RunOptions& options);

}  // namespace nona2
