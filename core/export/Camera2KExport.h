// The 2K device table "Camera_2K_Project.tab": per camera, remap records that
// tell the device where each panorama pixel is read in a 128 x 180 source block of the
// camera image, then a blend table with one weight per camera and pixel.
#pragma once

#include <QByteArray>
#include <string>

#include "export/ExportResult.h"

class Project;
class TableBatch;

// The table's file name inside the project folder.
constexpr const char* kCamera2KFileName = "Camera_2K_Project.tab";

// Why a W x H panorama of N cameras does not fit the 2K table's 16-bit sizes
// and 8-bit block numbers, empty when it does (N within the blend table's
// limit). No line end.
std::string camera2KSizeProblem(int N, int W, int H);

// Writes projectDir + "Camera_2K_Project.tab", the debug images in "pic/" and the
// console lines, then shows the completion notice. The project is only read.
// The table replaces an earlier one only when it is complete: on a failure the
// message has been printed and an existing table is left as it was.
ExportResult exportCamera2K(const Project& project);
// The same, leaving the table for `batch` to put in place (TableBatch.h).
ExportResult exportCamera2K(const Project& project, TableBatch* batch);
// The table exportCamera2K would write, built into `table` instead: no file,
// no debug images, no progress lines, no notice (buildDeviceTable).
ExportResult buildCamera2KTable(const Project& project, QByteArray& table);
