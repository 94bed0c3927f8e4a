#include "export/DebugImages.h"

#include <QDir>
#include <QString>
#include <array>
#include <cstdio>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

bool pictureFolderExists(const std::string& projectDir) {
    return QDir(QString::fromLocal8Bit((projectDir + "pic").c_str())).exists();
}

DebugImages::DebugImages(cv::Size size) {
    contours = cv::Mat::zeros(size, CV_8UC1);
    for (cv::Mat& m : outlines) m = cv::Mat::zeros(size, CV_8UC1);
}

cv::Scalar DebugImages::colourFor(int k) {
    static const std::array<cv::Scalar, 3> colours = {cv::Scalar(0, 0, 255), cv::Scalar(255, 0, 0),
                                                      cv::Scalar(0, 255, 0)};
    return colours[static_cast<size_t>(k % 3)];
}

void DebugImages::drawOutline(int k, const cv::Rect& rect) {
    // Thickness 0 is OpenCV's one-pixel line; without antialiasing the pixels
    // it sets do not depend on the colour or the channel count.
    cv::rectangle(outlineFor(k), rect, cv::Scalar(255), 0, cv::LINE_8, 0);
}

cv::Mat DebugImages::colouredImage(int i) const {
    const cv::Mat& mask = i == 0 ? contours : outlines[i - 1];
    const cv::Scalar colour = i == 0 ? cv::Scalar::all(255) : colourFor(i - 1);
    const cv::Mat black = cv::Mat::zeros(mask.size(), CV_8UC1);
    // Every colour channel is 0 or 255: the mask itself, or black.
    cv::Mat channels[3];
    for (int c = 0; c < 3; ++c) channels[c] = colour[c] != 0 ? mask : black;
    cv::Mat bgr;
    cv::merge(channels, 3, bgr);
    return bgr;
}

void DebugImages::save(const std::string& projectDir, int cameraIndex) const {
    if (!pictureFolderExists(projectDir)) return;
    const char* patterns[4] = {"%spic/%d.jpg", "%spic/%d-1.jpg", "%spic/%d-2.jpg",
                               "%spic/%d-3.jpg"};
    for (int i = 0; i < 4; ++i) {
        const int n = std::snprintf(nullptr, 0, patterns[i], projectDir.c_str(), cameraIndex);
        std::string path(static_cast<size_t>(n), '\0');
        std::snprintf(&path[0], path.size() + 1, patterns[i], projectDir.c_str(), cameraIndex);
        try {
            cv::imwrite(path, colouredImage(i));
        } catch (const cv::Exception&) {
            // A debug image that cannot be written is skipped.
        }
    }
}
