// Each camera's cut columns and index drawn over the preview, so the operator
// sees where every seam lies while zooming in on it.
#pragma once

#include <QSize>
#include <opencv2/core.hpp>
#include <vector>

class QPainter;
class Project;
class PreviewView;

// For every camera shown (not hidden, with an image): a vertical line at each
// edge of its valid column run (imgBdy, as the tables use it), spanning the
// rows of its layer, and its index over the run. A camera without a usable
// two-edge boundary gets its index and a note instead of lines. Each of the
// `uncovered` panorama rectangles (holes the tables leave) is hatched in red
// under the lines, labelled with its columns. `widget` is the preview's size
// in the painter's coordinates; `view` what it shows.
void paintSeamOverlay(QPainter& painter, const Project& project, const PreviewView& view,
                      QSize widget, const std::vector<cv::Rect>& uncovered = {});
