// What a load leaves the operator to know: a project file that could not be
// read, and the cameras the tables will not contain.
#pragma once

#include <QString>
#include <string>
#include <vector>

class Camara;
class Project;

// A camera that cannot take its part, and why.
struct CameraProblem {
    int index = -1;
    std::string sourceFile;  // file name of the camera's source image, local 8-bit
    std::string reason;      // e.g. "its middle row has no edge to cut at; ..."

    // "camera 3 (pano360.jpg): <reason>"
    std::string message() const;
};
// Why a camera can take part in no table whatever the tuning: its source image
// or its remapper outputs did not load, or its boundary does not hold two
// edges. Empty when it can.
std::string missingInputs(const Camara& cam);
// The camera's source image is at fault: it is missing, not a regular file,
// or could not be decoded although the remapper made a layer of it.
bool sourceUnreadable(const Camara& cam);
// The file name part of a camera's source path.
std::string sourceFileName(const std::string& path);

// Every camera, in index order, whose images could not be loaded, whose imgBdy
// does not hold two edges, or whose crop leaves no pixel with weight: the
// exporters give such a camera nothing.
std::vector<CameraProblem> camerasLeftOut(const Project& project);

// Why the project file at `path` could not be read as a project (it is missing,
// cannot be read, is empty, or gives no panorama size), from the file and from
// what loadProject made of it; empty when it loaded. A project without camera
// images is not unreadable.
QString projectFileProblem(const QString& path, const Project& project);
