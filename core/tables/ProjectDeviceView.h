// The device view of the rig as it is tuned now: the 2K table the current
// settings give, built in memory (nothing is written), rendered as the device
// would show it from the cameras' source images. The window shows it instead
// of the layered preview, so the operator sees the normalised blend.
#pragma once

#include <opencv2/core.hpp>

#include "export/ExportResult.h"

class Project;

struct ProjectDeviceView {
    cv::Mat image;  // panoHeight x panoWidth, 8-bit BGR; empty when there is nothing to show
    // Written when `image` shows the table; otherwise why there is no view (the
    // message names the table; empty when simply no project is loaded).
    ExportResult table;
};

ProjectDeviceView renderProjectDeviceView(const Project& project);

// A camera image as the render reads it (8-bit BGR): grey and BGRA images are
// converted, 16-bit ones scaled; empty for anything else.
cv::Mat deviceFrame(const cv::Mat& image);
