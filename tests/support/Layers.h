// Test-only: remapped layers built in memory, and what the tests read off them.
#pragma once

#include <initializer_list>
#include <opencv2/core.hpp>
#include <utility>

// A BGRA image (colour 10/20/30) whose every row is valid (alpha 255) exactly in
// the given inclusive column runs, transparent elsewhere.
inline cv::Mat rowsValidIn(int width, int height, std::initializer_list<std::pair<int, int>> runs) {
    cv::Mat img(height, width, CV_8UC4, cv::Scalar(10, 20, 30, 0));
    for (auto [a, b] : runs) img.colRange(a, b + 1).setTo(cv::Scalar(10, 20, 30, 255));
    return img;
}

inline int alphaAt(const cv::Mat& img, int row, int col) {
    return img.at<cv::Vec4b>(row, col)[3];
}

// Whether columns from..to (inclusive) are all zero, colour and alpha.
inline bool columnsCleared(const cv::Mat& img, int from, int to) {
    return cv::countNonZero(img.colRange(from, to + 1).reshape(1)) == 0;
}
