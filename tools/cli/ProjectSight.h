// What the cameras of a project see, for `inspect --project` and `render`:
// the project is loaded and remapped as an export loads it, into a temporary
// work folder (nothing is written beside the project), without its console
// lines.
#pragma once

#include <QString>

#include "export/PanoramaCoverage.h"

class Project;
struct TableFile;

struct ProjectSight {
    SeenArea seen;  // valid when error is empty
    QString error;  // the project could not be remapped, or does not fit the table
};

// Loads `pto` into `project` (the process's project; its records are replaced)
// and checks that it has the table's cameras and panorama size.
ProjectSight loadProjectSight(Project& project, const QString& pto, const TableFile& table);

// The size of every camera's source image, for reading QuickWeave positions.
std::vector<cv::Size> sourceSizes(const Project& project);

// The coverage report's lines for inspect and render: what the cameras see,
// how much the table leaves black, and the holes.
QString coverageLines(const CoverageReport& report, const QString& source);
