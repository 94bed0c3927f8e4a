// Each camera's cut columns and index drawn over the preview, so the operator
// sees where every seam lies while zooming in on it, and how well it hides.
#pragma once

#include <QSize>
#include <opencv2/core.hpp>
#include <vector>

#include "tuning/SeamReport.h"

class QPainter;
class Project;
class PreviewView;

// For every camera shown (not hidden, with an image): a vertical line at each
// edge of its valid column run (imgBdy, as the tables use it), spanning the
// rows of its layer, and its index over the run. A camera without a usable
// two-edge boundary gets its index and a note instead of lines. Each of the
// `uncovered` panorama rectangles (holes the tables leave) is hatched in red
// under the lines, labelled with its columns. Content seams (automatic mode
// with per-row seams) are drawn as the line each camera's cut follows row by
// row instead of its boundary's columns. Each of `seams` gets its mean
// difference written over its overlap, coloured from green (agrees) to red.
// `widget` is the preview's size in the painter's coordinates; `view` what it
// shows.
void paintSeamOverlay(QPainter& painter, const Project& project, const PreviewView& view,
                      QSize widget, const std::vector<cv::Rect>& uncovered = {},
                      const std::vector<SeamReport>& seams = {});
