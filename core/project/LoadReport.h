// What a load leaves the operator to know: a project file that could not be
// read, and the cameras the tables will not contain.
#pragma once

#include <QString>
#include <string>
#include <vector>

class Project;

// A camera that cannot take its part, and why.
struct CameraProblem {
    int index = -1;
    std::string sourceFile;  // file name of the camera's source image, local 8-bit
    std::string reason;      // e.g. "its middle row has no edge to cut at; ..."

    // "camera 3 (pano360.jpg): <reason>"
    std::string message() const;
};
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
