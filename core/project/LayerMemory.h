// Whether a project's layers fit in memory, asked before the remapper runs:
// a panorama typed with a few zeros too many would otherwise have the
// remapper and the loader allocate until the machine gives out. The tool
// knows what it holds per pixel of a camera's layer; the remapper says what
// layers it will write (nona2 --plan); the machine says what it has.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "system/MachineMemory.h"

class Project;

// What loading holds per pixel of a camera's layer: its merged map (8 bytes),
// the layer and its display image (4 each); the window's textures and its
// renderer's copies add about 12 more (measured with the software renderer).
constexpr uint64_t kLoadedBytesPerPixel = 16;
constexpr uint64_t kShownBytesPerPixel = 12;

// One camera's layer as the remapper plans it.
struct PlannedLayer {
    int64_t width = 0, height = 0;  // 0 x 0: not known before remapping (a tiny footprint)
    uint64_t remapperNeed = 0;      // bytes the remapper holds while writing it
};

// The remapper's --plan output, one line per camera in camera order; false
// when it is not that.
bool parseRemapPlan(const QByteArray& output, int count, std::vector<PlannedLayer>& layers);

// Bytes the loaded layers hold (all cameras at once, `shown` in the window),
// with one layer's worth more for decoding the largest.
uint64_t loadedLayerBytes(const std::vector<PlannedLayer>& layers, bool shown);

// Empty when the layers fit `machine`, both while the remapper writes them and
// once loaded; otherwise the message, with the memory needed and available.
QString layerMemoryShortfall(const std::vector<PlannedLayer>& layers, bool shown,
                             const MachineMemory& machine);

// The check for `project` as loadProject left it, before its remapper run:
// empty when its layers fit. Layers never exceed the panorama, so a project
// whose cameras would fit even with a panorama-sized layer each passes at
// once; only a larger one asks `remapper` for its plan. Also empty when the
// remapper cannot say (the run then reports what is wrong).
QString checkLayerMemory(const Project& project, const QString& remapper, bool shown,
                         const MachineMemory& machine = machineMemory());
