// The two records that carry all state of the tool: one Project for the whole
// run and one Camara per camera of the rig. Widgets keep no copies of these
// settings; they write straight into the records and then recompute.
#pragma once

#include <QString>
#include <deque>
#include <string>
#include <vector>

#include "geometry/PlacedSeam.h"
#include "geometry/SeamMode.h"
#include "project/Camara.h"
#include "project/ProjectFileResult.h"

class Project {
public:
    // Holds four default cameras.
    Project();
    ~Project();
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;

    // Reads the PTO file and sets camera count, drawing order, paths and panorama size.
    // The whole load as the front ends run it is runLoadSequence (LoadSequence.h).
    ProjectFileResult loadProject(std::string path);
    // The remapper's work folder becomes `folder` instead of "tiff" beside the
    // project, and every camera's remapper outputs are read from there.
    void useWorkFolder(const QString& folder);
    // First min(old, n) records stay untouched; surplus ones go from the tail;
    // missing ones are appended default-constructed.
    void resizeCameras(int n);
    // drawOrder becomes n - 1, ..., 1, 0 (camera 0 on top).
    void resetDrawOrder(int n);

    std::vector<Camara> cameras;
    std::deque<int> drawOrder;  // camera indices, bottom first
    std::string projectDir;     // local 8-bit, absolute, always ends in "/"
    int blendValue = 0;         // 0..60000
    int cutValue = 0;           // 0..60000
    QString ptoFilePath;
    QString tiffPath;  // projectDir + "tiff"
    int panoWidth = 0;
    int panoHeight = 0;
    bool loaded = false;
    bool autoMode = false;
    // Where automatic mode puts its seams; kept in the settings file.
    SeamMode seamMode = SeamMode::Middle;
    // The seams automatic content mode placed last, for drawing; empty after
    // the middle rule.
    std::vector<PlacedSeam> placedSeams;
    // Of the PTO's image lines as loaded; tells saved settings whether the
    // calibration they were tuned on is still the one in use.
    QString calibrationFingerprint;
};
