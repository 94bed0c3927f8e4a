// The parts of a Hugin/PanoTools project that remapping needs: the panorama
// ('p' line), every image with all its lens and orientation variables ('i'
// lines, linked values resolved) and the masks ('k' lines).
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

namespace nona2 {

struct PanoOptions {
    int projection = 2;  // Hugin's panorama projection number (2 = equirectangular)
    int width = 0;
    int height = 0;
    double hfov = 360.0;
    std::vector<double> projectionParams;  // the P"..." values, empty when absent
    bool hasCrop = false;                  // S left,right,top,bottom
    int cropLeft = 0, cropRight = 0, cropTop = 0, cropBottom = 0;
    std::string fileFormat;   // first word of n"...", e.g. TIFF_m
    bool cropLayers = false;  // r:CROP in n"..."
    std::string compression;  // c:... in n"...", empty when absent
};

struct MaskPolygon {
    int image = 0;
    int type = 0;  // 0 exclude, 1 include, 2 exclude stack, 3 include stack, 4 exclude lens
    std::vector<std::array<double, 2>> points;
    bool excludes() const { return type == 0 || type == 2 || type == 4; }
};

struct ImageDesc {
    int line = 0;  // line number in the project file, for messages
    int width = 0;
    int height = 0;
    int projection = 0;    // Hugin's lens projection number (f)
    std::string fileName;  // as written in the project
    std::string path;      // resolved against the project's folder
    // Every numeric image variable by its Hugin name (v, y, p, r, a, b, c, d,
    // e, g, t, TrX, TrY, TrZ, Tpy, Tpp, ...); linked values already resolved.
    std::map<std::string, double> vars;
    // S left,right,top,bottom of the source image. Like Hugin, a circular
    // fisheye (f2) uses the circle inscribed in it instead of the rectangle.
    bool hasCropRect = false;
    int cropLeft = 0, cropRight = 0, cropTop = 0, cropBottom = 0;
    bool circularCrop() const { return hasCropRect && projection == 2; }
    std::vector<MaskPolygon> masks;  // exclude masks only

    double var(const std::string& name) const {
        auto it = vars.find(name);
        return it == vars.end() ? 0.0 : it->second;
    }
};

struct PtoProject {
    std::string path;
    PanoOptions pano;
    std::vector<ImageDesc> images;
    std::vector<std::string> warnings;  // things read but not honoured
};

// Reads and checks a project. On failure returns false and sets `error` to a
// message naming the file, the line and the problem; `project` is then
// unspecified.
bool readPtoFile(const std::string& path, PtoProject& project, std::string& error);
// Same on text already in memory; `path` names the file in messages and its
// folder is the base for relative image names.
bool parsePto(const std::string& text, const std::string& path, PtoProject& project,
              std::string& error);

}  // namespace nona2
