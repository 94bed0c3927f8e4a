// The names of the files the remapper leaves for one image of a project, run
// with "-o PREFIX": PREFIX000N.tif, the remapped layer, and with coordinate
// maps PREFIX000N_x.tif and PREFIX000N_y.tif. "000" goes before the image
// index whatever its length, so image 12 is PREFIX00012. The remapper writes
// these names and the tool reads them back, so both take them from here.
#pragma once

#include <string>

// The prefix the tool runs the remapper with: its work files are "pic0000.tif",
// "pic0000_x.tif", "pic0000_y.tif", "pic0001.tif" and so on.
constexpr char kRemapOutputPrefix[] = "pic";

// In the order the remapper writes them.
enum class RemapOutput { Layer = 0, MapX = 1, MapY = 2 };

// PREFIX000: what every output name of the prefix starts with.
inline std::string remapOutputStem(const std::string& prefix) {
    return prefix + "000";
}

// The output of image `index`, as a name relative to the remapper's folder.
inline std::string remapOutputName(const std::string& prefix, int index, RemapOutput which) {
    static const char* const kSuffixes[] = {".tif", "_x.tif", "_y.tif"};
    return remapOutputStem(prefix) + std::to_string(index) + kSuffixes[static_cast<int>(which)];
}
