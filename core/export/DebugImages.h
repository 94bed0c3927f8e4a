// The four debug images of a camera that the device-table exports save into
// the project's "pic" folder: the region contours and the outlines of the
// written records, coloured by source block.
#pragma once

#include <opencv2/core.hpp>
#include <string>

// True when projectDir + "pic" exists. The exports do not create it: without
// it the images are neither drawn nor saved.
bool pictureFolderExists(const std::string& projectDir);

// The four images of one camera, saved as 8-bit BGR, black at first:
// contours -> "%spic/%d.jpg", outline(0) -> "-1", outline(1) -> "-2",
// outline(2) -> "-3". Each image has a single colour (white contours, one
// colour per outline image), so each is held as a one-channel mask (255 where
// drawn) and coloured only when it is saved: a third of the memory while a
// camera's images are drawn, which at panorama size is what counts.
struct DebugImages {
    cv::Mat contours;     // CV_8UC1 mask, saved white
    cv::Mat outlines[3];  // CV_8UC1 masks, saved in colourFor(0), (1), (2)

    explicit DebugImages(cv::Size size);
    // The outline mask for block counter k: "-1" when k mod 3 = 0, "-2" when
    // 1, "-3" when 2.
    cv::Mat& outlineFor(int k) { return outlines[k % 3]; }
    // Its colour (B, G, R): red, blue, green for k mod 3 = 0, 1, 2.
    static cv::Scalar colourFor(int k);
    // Image `i` as saved: 0 the contours, 1..3 outlines[i - 1], 8-bit BGR.
    cv::Mat colouredImage(int i) const;
    // Draws a one-pixel, 8-connected outline of `rect` on outlineFor(k).
    void drawOutline(int k, const cv::Rect& rect);
    // Saves the four images as JPEG into projectDir + "pic/". The folder is not
    // created; a missing folder or a failed write is ignored.
    void save(const std::string& projectDir, int cameraIndex) const;
};
