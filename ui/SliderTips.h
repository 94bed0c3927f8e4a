// What the blend, crop and trim sliders do, in pixels of the loaded rig, by
// the rules the manual crop and the feathering use (geometry/Feather.h). The
// pixels follow each camera's remapped width; where the cameras of a rig
// differ, the tip gives the range.
#pragma once

#include <QString>
#include <vector>

class Camara;
class Project;

// In automatic mode each tip adds that the value waits until the mode is left.
QString blendTip(const Project& project, int blendValue);
// The crop with every trim at 0: where the cuts lie, and which cameras' middle
// it clears when the cuts wrap round past their layers' sides.
QString cropTip(const Project& project, int cutValue);
// For the project's crop. `leftSlider`: "direction(l)", which moves the cut
// where the camera's valid columns end to the left; the other slider moves the
// cut where they start to the right. Where the cuts wrap round these are the
// left and right edges of the cleared middle.
QString trimTip(const Project& project, const Camara& camera, int trimValue, bool leftSlider);
// "相机 0、1、3": cameras in the interface's words, for the tips and the
// window's messages about them.
QString cameraNames(const std::vector<int>& cameras);
// The display beside a slider takes a typed value on double-click.
QString displayTip();
