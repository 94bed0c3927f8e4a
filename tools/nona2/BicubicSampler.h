// How the remapper reads a source image at a fractional position: whether the
// position belongs to the image at all, and its bicubic colour. Inline: it
// runs once per panorama pixel.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <opencv2/core.hpp>

namespace nona2 {

// Cubic convolution weights (a = -0.75, the kernel of Hugin's and OpenCV's
// bicubic interpolation) for the four taps around a fractional position.
inline void cubicWeights(double f, double w[4]) {
    const double a = -0.75;
    const double x0 = 1.0 + f, x1 = f, x2 = 1.0 - f;
    w[0] = ((a * x0 - 5.0 * a) * x0 + 8.0 * a) * x0 - 4.0 * a;
    w[1] = ((a + 2.0) * x1 - (a + 3.0)) * x1 * x1 + 1.0;
    w[2] = ((a + 2.0) * x2 - (a + 3.0)) * x2 * x2 + 1.0;
    w[3] = 1.0 - w[0] - w[1] - w[2];
}

// Bicubic colour of `src` (8-bit, 3 or 4 channels, B G R first) at (sx, sy)
// with the border replicated; writes B, G, R.
inline void sampleBicubic(const cv::Mat& src, double sx, double sy, uint8_t* out) {
    const int channels = src.channels();
    const double fx = std::floor(sx), fy = std::floor(sy);
    double wx[4], wy[4];
    cubicWeights(sx - fx, wx);
    cubicWeights(sy - fy, wy);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const bool inner = ix >= 1 && iy >= 1 && ix + 2 < src.cols && iy + 2 < src.rows;
    int cols[4];
    for (int k = 0; k < 4; ++k)
        cols[k] = (inner ? ix - 1 + k : std::clamp(ix - 1 + k, 0, src.cols - 1)) * channels;
    double acc[3] = {0, 0, 0};
    for (int j = 0; j < 4; ++j) {
        const int y = inner ? iy - 1 + j : std::clamp(iy - 1 + j, 0, src.rows - 1);
        const uint8_t* row = src.ptr<uint8_t>(y);
        const uint8_t* p0 = row + cols[0];
        const uint8_t* p1 = row + cols[1];
        const uint8_t* p2 = row + cols[2];
        const uint8_t* p3 = row + cols[3];
        for (int c = 0; c < 3; ++c)
            acc[c] += wy[j] * (wx[0] * p0[c] + wx[1] * p1[c] + wx[2] * p2[c] + wx[3] * p3[c]);
    }
    for (int c = 0; c < 3; ++c) out[c] = cv::saturate_cast<uint8_t>(acc[c]);
}

// A source image with its valid-pixel mask (see sourceMask; empty when every
// pixel is usable). Holds references: both must outlive the sampler.
class ImageSampler {
public:
    ImageSampler(const cv::Mat& source, const cv::Mat& mask)
        : src_(source), mask_(mask), cols_(source.cols), rows_(source.rows) {}
    // Only where positions are valid, for an image not read yet (colour()
    // must not be asked for).
    ImageSampler(cv::Size size, const cv::Mat& mask)
        : src_(noImage()), mask_(mask), cols_(size.width), rows_(size.height) {}

    // Nona's rule: a panorama pixel belongs to the image when its source
    // position, rounded, lies inside the image (and inside crop and masks).
    bool valid(double sx, double sy) const {
        const double rx = std::floor(sx + 0.5), ry = std::floor(sy + 0.5);
        if (rx < 0 || ry < 0 || rx >= cols_ || ry >= rows_) return false;
        return mask_.empty() || mask_.at<uint8_t>(static_cast<int>(ry), static_cast<int>(rx)) != 0;
    }
    // Outside the source image: a position no downstream reader takes from the
    // image (those want 0 < x < width, 0 < y < height).
    bool outside(double sx, double sy) const {
        return !(sx > 0 && sy > 0 && sx < cols_ && sy < rows_);
    }
    int cols() const { return cols_; }
    int rows() const { return rows_; }
    void colour(double sx, double sy, uint8_t* bgr) const { sampleBicubic(src_, sx, sy, bgr); }

private:
    static const cv::Mat& noImage() {
        static const cv::Mat none;
        return none;
    }
    const cv::Mat& src_;
    const cv::Mat& mask_;
    int cols_, rows_;
};

}  // namespace nona2
