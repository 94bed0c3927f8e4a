// How well a seam hides: the mean difference of the two cameras over the
// pixels where the seam shows, whichever rule placed it (the middle of the
// overlap, content, the operator's crop). A seam through something near
// disagrees where the near thing is; one that disagrees on the distant
// background points at a bad calibration.
#pragma once

#include <opencv2/core.hpp>

#include "geometry/RowSeam.h"

struct SeamDisagreement {
    // Mean |difference| of the two layers over the seam's pixels, in grey
    // levels (0..255, the three channels averaged); 0 when there are none.
    double mean = 0;
    long pixels = 0;  // the seam's pixels
    // The stretch of rows (strip rows, inclusive) whose seam pixels disagree
    // most on average, and that average; -1 and 0 without seam pixels.
    int worstFirstRow = -1;
    int worstLastRow = -1;
    double worstMean = 0;
};

// Over two layers of one strip (CV_8UC4, alpha = validity) and the weights
// their cameras show with there (CV_8UC1, 0..255: the display images'
// alpha), the upper camera drawn over the lower. A seam pixel is valid in
// both layers and either shows both cameras (the upper one's weight below
// 255 and both weights above 0: the fade) or shows one camera alone next to
// (4-neighbourhood) a pixel that shows the other alone (either side of a hard
// cut). The worst stretch is `stretchRows` rows long (fewer in a shorter
// strip).
SeamDisagreement seamDisagreement(const cv::Mat& upper, const cv::Mat& lower,
                                  const cv::Mat& upperWeight, const cv::Mat& lowerWeight,
                                  int stretchRows = 32);

// The same for a seam cut into the layers as seamWeights cuts it.
SeamDisagreement seamDisagreement(const cv::Mat& upper, const cv::Mat& lower, const RowSeam& seam,
                                  int stretchRows = 32);
