// The four debug images of a camera that the device-table exports save into
// the project's "pic" folder: the region contours and the outlines of the
// written records, coloured by source block.
#pragma once

#include <opencv2/core.hpp>
#include <string>

// True when projectDir + "pic" exists. The exports do not create it: without
// it the images are neither drawn nor saved.
bool pictureFolderExists(const std::string& projectDir);

// The four images of one camera, 8-bit BGR, black at first:
// contours -> "%spic/%d.jpg", outline(0) -> "-1", outline(1) -> "-2",
// outline(2) -> "-3".
struct DebugImages {
    cv::Mat contours;
    cv::Mat outlines[3];

    explicit DebugImages(cv::Size size);
    // The outline image for block counter k: "-1" when k mod 3 = 0, "-2" when
    // 1, "-3" when 2.
    cv::Mat& outlineFor(int k) { return outlines[k % 3]; }
    // Its colour (B, G, R): red, blue, green for k mod 3 = 0, 1, 2.
    static cv::Scalar colourFor(int k);
    // Draws a one-pixel, 8-connected outline of `rect` on outlineFor(k).
    void drawOutline(int k, const cv::Rect& rect);
    // Saves the four images as JPEG into projectDir + "pic/". The folder is not
    // created; a missing folder or a failed write is ignored.
    void save(const std::string& projectDir, int cameraIndex) const;
};
