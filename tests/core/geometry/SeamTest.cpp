// Per-row seams: the overlap strips they are found in, the weights they give,
// where content seams go and how disagreement is measured.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/AutoBlend.h"
#include "geometry/ContentSeam.h"
#include "geometry/OverlapStrip.h"
#include "geometry/SeamDisagreement.h"

namespace {

// A textured BGRA layer, valid in the given columns (inclusive ranges) of
// every row; `shift` moves the texture, as a camera seeing it elsewhere.
cv::Mat layer(int cols, int rows, std::vector<std::pair<int, int>> valid, double shift = 0) {
    cv::Mat m(rows, cols, CV_8UC4, cv::Scalar::all(0));
    for (int r = 0; r < rows; ++r)
        for (auto [from, to] : valid)
            for (int c = from; c <= to; ++c) {
                const double x = c + shift;
                m.at<cv::Vec4b>(r, c) = cv::Vec4b(
                    cv::saturate_cast<uchar>(120 + 50 * std::sin(x / 3.0) + 20 * std::cos(r / 4.0)),
                    cv::saturate_cast<uchar>(90 + 40 * std::cos(x / 5.0)),
                    cv::saturate_cast<uchar>(140 + 30 * std::sin(r / 3.0 + x / 7.0)), 255);
            }
    return m;
}

// Paints a dark square of `size` at (row, column) of the valid pixels.
void object(cv::Mat& m, int row, int column, int size) {
    for (int r = row; r < row + size; ++r)
        for (int c = column; c < column + size; ++c)
            if (m.at<cv::Vec4b>(r, c)[3]) m.at<cv::Vec4b>(r, c) = cv::Vec4b(20, 200, 30, 255);
}

cv::Mat alphaOf(const cv::Mat& m) {
    cv::Mat a;
    cv::extractChannel(m, a, 3);
    return a;
}

}  // namespace

TEST(OverlapStrip, FindsEachOverlapAcrossTheBorderWithItsSides) {
    // The upper layer covers panorama columns 80..99 and 0..19; the lower one
    // is valid in 90..99 and 0..30 (its run wraps) and 4 rows lower.
    const cv::Mat upper = layer(40, 10, {{0, 39}});
    const cv::Mat lower = layer(100, 10, {{0, 30}, {90, 99}});
    std::vector<OverlapStrip> strips = overlapStrips(upper, {80, 0}, lower, {0, 4}, 100, 3);
    ASSERT_EQ(strips.size(), 1u);
    const OverlapStrip& s = strips[0];
    EXPECT_EQ(s.frame.firstColumn, 87);
    EXPECT_EQ(s.frame.columns, 36);  // 90..19 and three columns either side
    EXPECT_EQ(s.overlapFrom, 3);
    EXPECT_EQ(s.overlapTo, 32);
    EXPECT_EQ(s.frame.firstRow, 4);
    EXPECT_EQ(s.frame.rows, 6);
    EXPECT_TRUE(s.upperKeepsLeft);
    // Strip column 0 is panorama column 87: the upper layer's column 7, and
    // nothing of the lower one; strip column 35 is panorama column 22.
    EXPECT_EQ(s.upper.at<cv::Vec4b>(0, 0), upper.at<cv::Vec4b>(4, 7));
    EXPECT_EQ(s.lower.at<cv::Vec4b>(0, 0)[3], 0);
    EXPECT_EQ(s.lower.at<cv::Vec4b>(2, 35), lower.at<cv::Vec4b>(2, 22));
    EXPECT_EQ(s.upper.at<cv::Vec4b>(0, 35)[3], 0);

    // Two cameras of a ring meet twice; each overlap knows whose side is whose.
    const cv::Mat a = layer(100, 8, {{20, 60}}), b = layer(100, 8, {{0, 30}, {50, 99}});
    strips = overlapStrips(a, {0, 0}, b, {0, 0}, 100, 4);
    ASSERT_EQ(strips.size(), 2u);
    EXPECT_EQ(strips[0].frame.firstColumn + strips[0].overlapFrom, 20);
    EXPECT_FALSE(strips[0].upperKeepsLeft);
    EXPECT_EQ(strips[1].frame.firstColumn + strips[1].overlapFrom, 50);
    EXPECT_TRUE(strips[1].upperKeepsLeft);
    EXPECT_TRUE(overlapStrips(a, {0, 0}, layer(100, 8, {{70, 90}}), {0, 0}, 100, 4).empty());
}

TEST(RowSeam, WeightsAreTheAutomaticCropAndFeatherOfEachRow) {
    // A seam that stays in one column gives exactly what the automatic seams
    // make of the layers, in both orientations: the upper camera ramped over
    // 30 columns to its edge, the lower one cut hard under the ramp.
    const cv::Mat upper = layer(80, 6, {{0, 79}}), lower = layer(80, 6, {{0, 79}}, 2.0);
    const int mid = 40, h = kAutoFadeWidth / 2;
    for (bool keepsLeft : {true, false}) {
        SCOPED_TRACE(keepsLeft ? "upper keeps the left" : "upper keeps the right");
        RowSeam seam{keepsLeft,
                     std::vector<SeamRow>(6, {true, keepsLeft ? mid + h : mid - h,
                                              keepsLeft ? mid - h : mid + h, kAutoFadeWidth})};
        cv::Mat uw, lw, upperDisplay, lowerDisplay;
        seamWeights(seam, upper, lower, uw, lw);
        if (keepsLeft) {
            autoCropAndFeather(upper, upperDisplay, {0, 1}, 0, {mid + h, 0}, kAutoFadeWidth);
            autoCropAndFeather(lower, lowerDisplay, {mid - h, 1}, 0, {79, 0}, 0);
        } else {
            autoCropAndFeather(upper, upperDisplay, {mid - h, 1}, kAutoFadeWidth, {79, 0}, 0);
            autoCropAndFeather(lower, lowerDisplay, {0, 1}, 0, {mid + h, 0}, 0);
        }
        EXPECT_EQ(cv::countNonZero(uw != alphaOf(upperDisplay)), 0);
        EXPECT_EQ(cv::countNonZero(lw != alphaOf(lowerDisplay)), 0);

        // A row over given columns blends exactly those.
        seam.rows[2] = seamRowOver(30, 36, keepsLeft);
        seamWeights(seam, upper, lower, uw, lw);
        EXPECT_EQ(blendedColumns(seam.rows[2], keepsLeft), cv::Range(30, 37));
        for (int c = 0; c < 80; ++c) {
            const bool both =
                uw.at<uchar>(2, c) > 0 && uw.at<uchar>(2, c) < 255 && lw.at<uchar>(2, c);
            EXPECT_EQ(both, c >= 30 && c <= 36) << "column " << c;
            EXPECT_TRUE(uw.at<uchar>(2, c) == 255 || lw.at<uchar>(2, c) || both) << "hole at " << c;
        }
    }
}

TEST(ContentSeam, PassesBesideWhatParallaxDoubles) {
    // 60 columns; the upper layer alone at the left, the lower alone at the
    // right, a near object in rows 10..19 seen 6 columns apart by the two, on
    // the middle of their common columns 6..53; no common pixels in rows 0..2.
    cv::Mat upper = layer(60, 40, {{0, 53}}), lower = layer(60, 40, {{6, 59}});
    lower.rowRange(0, 3).setTo(cv::Scalar::all(0));
    object(upper, 10, 24, 10);
    object(lower, 10, 30, 10);
    ContentSeamOptions options;
    options.fadeWidth = 10;
    options.narrowestFade = 4;
    const RowSeam seam = findContentSeam(upper, lower, true, options);
    ASSERT_EQ(seam.rows.size(), 40u);
    for (int r = 0; r < 40; ++r) {
        const SeamRow& row = seam.rows[static_cast<size_t>(r)];
        EXPECT_EQ(row.cut, r >= 3) << "row " << r;
        if (r < 3) {
            EXPECT_EQ(row.upperEdge, seam.rows[3].upperEdge);
            continue;
        }
        const cv::Range blend = blendedColumns(row, true);
        EXPECT_GE(blend.start, 6);
        EXPECT_LE(blend.end, 54);
        if (r >= 10 && r < 20) {
            EXPECT_TRUE(blend.end <= 24 || blend.start >= 40) << "row " << r;
        }
        if (r > 3) {
            const int move = (row.upperEdge - row.fadeWidth / 2) -
                             (seam.rows[static_cast<size_t>(r) - 1].upperEdge -
                              seam.rows[static_cast<size_t>(r) - 1].fadeWidth / 2);
            EXPECT_LE(std::abs(move), options.maxStep) << "row " << r;
        }
    }
    EXPECT_LT(seamDisagreement(upper, lower, seam).mean, 1.0);

    // Where the cameras agree everywhere the seam keeps to the middle, with
    // the widest fade.
    const cv::Mat same = layer(60, 40, {{6, 53}});
    for (const SeamRow& row : findContentSeam(same, same, false, options).rows) {
        EXPECT_EQ(row.fadeWidth, 10);
        EXPECT_NEAR(row.upperEdge + row.fadeWidth / 2, 30, 1);
    }
}

TEST(SeamDisagreement, CountsTheFadeOrBothSidesOfACut) {
    // The layers differ by 30 grey levels in rows 20..29 only; the lower one
    // has no pixel in row 0.
    cv::Mat upper = layer(40, 40, {{0, 39}}), lower = upper.clone();
    lower.rowRange(20, 30) -= cv::Scalar(30, 30, 30, 0);
    lower.row(0).setTo(cv::Scalar::all(0));
    cv::Mat uw(40, 40, CV_8U, cv::Scalar(0)), lw(40, 40, CV_8U, cv::Scalar(255));
    uw.colRange(0, 20).setTo(255);
    SeamDisagreement d = seamDisagreement(upper, lower, uw, lw, 10);
    EXPECT_EQ(d.pixels, 39 * 2);  // columns 19 and 20 of every row with both
    EXPECT_NEAR(d.mean, 30.0 * 20 / 78, 1e-9);
    EXPECT_EQ(d.worstFirstRow, 20);
    EXPECT_EQ(d.worstLastRow, 29);
    EXPECT_NEAR(d.worstMean, 30.0, 1e-9);

    RowSeam seam{true, std::vector<SeamRow>(40, seamRowOver(15, 24, true))};
    d = seamDisagreement(upper, lower, seam, 10);
    EXPECT_EQ(d.pixels, 39 * 10);
    EXPECT_NEAR(d.worstMean, 30.0, 1e-9);
    EXPECT_EQ(seamDisagreement(upper, upper, seam).mean, 0.0);
}

TEST(ContentSeam, KeepsItsFadeOnCommonPixelsWhereTheyAreFew) {
    // A fixed fade of 10 (blending 9 columns); the common pixels narrow to 5
    // columns in rows 8..11, vanish in rows 12..15 and come back 20 columns
    // further right: the seam narrows where it must, leaves those rows uncut
    // and jumps to the common pixels again.
    cv::Mat upper = layer(60, 30, {{0, 59}}), lower = upper.clone();
    lower.colRange(0, 10).setTo(cv::Scalar::all(0));
    lower.rowRange(8, 12).colRange(0, 25).setTo(cv::Scalar::all(0));
    lower.rowRange(8, 12).colRange(30, 60).setTo(cv::Scalar::all(0));
    lower.rowRange(12, 16).setTo(cv::Scalar::all(0));
    lower.rowRange(16, 30).colRange(0, 30).setTo(cv::Scalar::all(0));
    ContentSeamOptions options;
    options.fadeWidth = options.narrowestFade = 10;
    const RowSeam seam = findContentSeam(upper, lower, false, options);
    for (int r = 0; r < 30; ++r) {
        const SeamRow& row = seam.rows[static_cast<size_t>(r)];
        EXPECT_EQ(row.cut, r < 12 || r >= 16) << "row " << r;
        if (!row.cut) continue;
        const cv::Range blend = blendedColumns(row, false);
        const int from = r < 8 ? 10 : r < 12 ? 25 : 30, to = r >= 8 && r < 12 ? 29 : 59;
        EXPECT_GE(blend.start, from) << "row " << r;
        EXPECT_LE(blend.end, to + 1) << "row " << r;
        EXPECT_EQ(blend.size(), r >= 8 && r < 12 ? 5 : 9) << "row " << r;
    }
}
