// The QuickWeave project "QuickWeave_Projcet.tab": per camera, every remapped
// pixel's source position normalised to the source size, then its blend weight.
#pragma once

#include "export/ExportResult.h"

class Project;
class TableBatch;

// The file name inside the project folder (the product reads it under this
// exact, misspelt name).
constexpr const char* kQuickWeaveFileName = "QuickWeave_Projcet.tab";

// Writes projectDir + "QuickWeave_Projcet.tab" and its console line, then shows
// the completion notice. The project is only read (its coordinate maps keep
// their pixel positions). An earlier file is replaced only by a complete one.
//
// Layout, all little-endian, no padding:
//   int32 N, int32 W, int32 H, int32 drawOrder[D] (bottom first)
//   per camera i = 0 .. N-1:
//     int32 offsetX, int32 offsetY, int32 cols, int32 rows,
//     rows x cols x (float32 x / sourceWidth, float32 y / sourceHeight), row by row,
//     rows x cols uint8 weights (the normalised weight volume at the pixel's
//     panorama position, for the camera's stacking position).
ExportResult exportQuickWeave(const Project& project);
// The same, leaving the file for `batch` to put in place (TableBatch.h).
ExportResult exportQuickWeave(const Project& project, TableBatch* batch);
