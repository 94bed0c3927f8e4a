#include "tuning/TuningChange.h"

#include <algorithm>
#include <utility>

#include "geometry/AutoBlend.h"
#include "project/Project.h"
#include "tuning/AutoSeams.h"

namespace {

using Kind = TuningChange::Kind;

Camara* cameraAt(Project& project, int i) {
    if (i < 0 || i >= static_cast<int>(project.cameras.size())) return nullptr;
    return &project.cameras[static_cast<size_t>(i)];
}

// False when the camera is not in the order: adding it would draw a camera
// the order does not know, and a duplicate would draw it twice.
bool moveInDrawOrder(std::deque<int>& order, int camera, bool toTop) {
    const auto it = std::find(order.begin(), order.end(), camera);
    if (it == order.end()) return false;
    order.erase(it);
    if (toTop)
        order.push_back(camera);
    else
        order.push_front(camera);
    return true;
}

// Writes the change; false when it names nothing that exists.
bool write(Project& project, const TuningChange& change) {
    switch (change.kind) {
        case Kind::Blend:
            project.blendValue = change.value;
            return true;
        case Kind::Crop:
            project.cutValue = change.value;
            return true;
        case Kind::TrimLeft:
        case Kind::TrimRight: {
            Camara* camera = cameraAt(project, change.camera);
            if (!camera) return false;
            (change.kind == Kind::TrimLeft ? camera->dirL : camera->dirR) = change.value;
            return true;
        }
        case Kind::MoveToTop:
        case Kind::MoveToBottom:
            return moveInDrawOrder(project.drawOrder, change.camera,
                                   change.kind == Kind::MoveToTop);
        case Kind::AutoMode:
            project.autoMode = change.value != 0;
            return true;
        case Kind::SeamMode:
            project.seamMode = change.value != 0 ? SeamMode::Content : SeamMode::Middle;
            return true;
        case Kind::Settings:
        case Kind::Analysed:
            return true;
    }
    return false;
}

}  // namespace

TuningOutcome applyTuningChange(Project& project, const TuningChange& change) {
    TuningOutcome outcome;
    if (!write(project, change)) return outcome;
    const bool order = change.kind == Kind::MoveToTop || change.kind == Kind::MoveToBottom;
    if (project.autoMode) {
        // The automatic seams read the analysed boundaries and the drawing
        // order (the upper camera fades over the lower one), never the blend,
        // crop or trims.
        if (!order && change.kind != Kind::AutoMode && change.kind != Kind::SeamMode &&
            change.kind != Kind::Settings && change.kind != Kind::Analysed)
            return outcome;
        outcome.layersChanged = true;
        AutoBlendResult seams = autoBlend(project, kAutoFadeWidth);
        outcome.seamsFailed = !seams.ok();
        outcome.seamsPlaced = seams.ok();
        outcome.seamFailures = std::move(seams.failures);
        return outcome;
    }
    switch (change.kind) {
        case Kind::TrimLeft:
        case Kind::TrimRight:
            project.cameras[static_cast<size_t>(change.camera)].refreshView(project.blendValue,
                                                                            project.cutValue);
            break;
        case Kind::MoveToTop:
        case Kind::MoveToBottom:
            // The manual crops do not depend on the order; only the stacking does.
            break;
        case Kind::Analysed:
            // The analysis has just computed the manual crops.
            return outcome;
        case Kind::SeamMode:
            // Kept for automatic mode; the manual crops do not use it.
            return outcome;
        case Kind::Blend:
        case Kind::Crop:
        case Kind::AutoMode:
        case Kind::Settings:
            for (Camara& camera : project.cameras)
                camera.refreshView(project.blendValue, project.cutValue);
            break;
    }
    outcome.layersChanged = true;
    return outcome;
}
