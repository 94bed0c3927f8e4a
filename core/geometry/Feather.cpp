#include "geometry/Feather.h"

#include <cstring>
#include <vector>

namespace {

// One row: `px` is the row's BGRA pixels, `mask` the row's edge source read with
// `maskStride` bytes per pixel.
void featherRow(uchar* px, const uchar* mask, int maskStride, int width, int startWidth,
                int endWidth) {
    // The ramp factor is 1/n in single precision, widened for the product.
    const double fStart = startWidth > 0 ? static_cast<double>(1.0f / startWidth) : 0.0;
    const double fEnd = endWidth > 0 ? static_cast<double>(1.0f / endWidth) : 0.0;
    bool inside = true;
    for (int k = 0; k < width; ++k) {
        const bool valid = mask[k * maskStride] != 0;
        if (valid && !inside) {
            for (int l = 0; l < startWidth; ++l) {
                const int c = k + l;
                if (c == width - 1) break;
                uchar& a = px[c * 4 + 3];
                a = static_cast<uchar>(static_cast<double>(l) * fStart * a);
            }
            inside = true;
        } else if (!valid && inside) {
            for (int l = 0; l < endWidth; ++l) {
                const int c = k - l;
                if (c == 0) break;
                uchar& a = px[c * 4 + 3];
                a = static_cast<uchar>(static_cast<double>(l) * fEnd * a);
            }
            inside = false;
        }
    }
}

}  // namespace

void featherAlpha(cv::Mat& image, const cv::Mat& mask, int startWidth, int endWidth) {
    if (image.empty() || image.type() != CV_8UC4) return;
    if (mask.size() != image.size() || (mask.type() != CV_8UC4 && mask.type() != CV_8UC1)) return;
    if (startWidth <= 0 && endWidth <= 0) return;
    const bool fourChannels = mask.type() == CV_8UC4;
    const int stride = fourChannels ? 4 : 1;
    const int first = fourChannels ? 3 : 0;
    if (mask.data == image.data) {
        // Feathering in place: each row's ramps only touch that row, so a copy of
        // the row's alpha serves as its mask.
        std::vector<uchar> alpha(static_cast<size_t>(image.cols));
        for (int r = 0; r < image.rows; ++r) {
            const uchar* m = mask.ptr<uchar>(r);
            for (int c = 0; c < image.cols; ++c)
                alpha[static_cast<size_t>(c)] = m[c * stride + first];
            featherRow(image.ptr<uchar>(r), alpha.data(), 1, image.cols, startWidth, endWidth);
        }
        return;
    }
    for (int r = 0; r < image.rows; ++r)
        featherRow(image.ptr<uchar>(r), mask.ptr<uchar>(r) + first, stride, image.cols, startWidth,
                   endWidth);
}

int cutPixels(int cutValue, int width) {
    return static_cast<int>(static_cast<float>(cutValue) / 60000.0f * static_cast<float>(width));
}

int blendPixels(int blendValue, int width) {
    return static_cast<int>(static_cast<float>(blendValue) / 600000.0f * static_cast<float>(width));
}

int trimPixels(int cutPx, int trimValue, int width) {
    const float base = static_cast<float>(width / 3 - cutPx);
    return static_cast<int>(base -
                            static_cast<float>(trimValue) / 150000.0f * static_cast<float>(width));
}

void clearColumns(cv::Mat& image, int from, int to) {
    if (image.empty()) return;
    if (from < 0) from = 0;
    if (to > image.cols - 1) to = image.cols - 1;
    if (from > to) return;
    image.colRange(from, to + 1).setTo(cv::Scalar::all(0));
}
