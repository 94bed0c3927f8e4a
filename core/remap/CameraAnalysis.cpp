#include "remap/CameraAnalysis.h"

#include "remap/CameraInputs.h"
#include "system/Reporter.h"

QString analyseCameras(Project& project, const RemapControl& control, int count) {
    QString error;
    for (int i = 0; i < count; ++i) {
        Camara& cam = project.cameras[static_cast<size_t>(i)];
        loadCameraInputs(cam, i);
        // A layer reaching outside the panorama would be written with wrapped
        // positions; such a camera is refused, and the run with it.
        const std::string outside =
            layerOutsidePanorama(cam, project.panoWidth, project.panoHeight);
        if (!outside.empty()) {
            reportProblemf("%s\r\n", outside.c_str());
            if (error.isEmpty()) error = QString::fromLocal8Bit(outside.c_str());
        }
        cam.refreshView(project.blendValue, project.cutValue);
        if (control.analysisProgress) control.analysisProgress(i + 1, count);
    }
    return error;
}
