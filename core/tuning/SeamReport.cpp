#include "tuning/SeamReport.h"

#include <cstdio>

#include "geometry/OverlapStrip.h"
#include "project/Project.h"
#include "tuning/AutoContentSeams.h"

std::vector<SeamReport> measureSeams(const Project& project) {
    std::vector<SeamReport> out;
    const int n = static_cast<int>(project.cameras.size());
    const std::deque<int>& order = project.drawOrder;
    for (size_t pi = order.size(); pi-- > 0;) {
        const int p = order[pi];
        if (p < 0 || p >= n) continue;
        const Camara& up = project.cameras[static_cast<size_t>(p)];
        if (up.displayImage.size() != up.image.size()) continue;
        for (size_t qi = pi; qi-- > 0;) {
            const int q = order[qi];
            if (q < 0 || q >= n || q == p) continue;
            const Camara& low = project.cameras[static_cast<size_t>(q)];
            if (low.displayImage.size() != low.image.size()) continue;
            for (const OverlapStrip& s :
                 overlapStrips(up.image, {up.offsetX, up.offsetY}, low.image,
                               {low.offsetX, low.offsetY}, project.panoWidth, kContentSeamMargin)) {
                cv::Mat uw, lw;
                cv::extractChannel(
                    layerOverStrip(up.displayImage, {up.offsetX, up.offsetY}, s.frame), uw, 3);
                cv::extractChannel(
                    layerOverStrip(low.displayImage, {low.offsetX, low.offsetY}, s.frame), lw, 3);
                SeamReport r;
                r.disagreement = seamDisagreement(s.upper, s.lower, uw, lw);
                if (r.disagreement.pixels == 0) continue;
                r.upper = p;
                r.lower = q;
                r.firstColumn = (s.frame.firstColumn + s.overlapFrom) % s.frame.panoWidth;
                r.lastColumn = (s.frame.firstColumn + s.overlapTo) % s.frame.panoWidth;
                r.firstRow = s.frame.firstRow;
                r.lastRow = s.frame.firstRow + s.frame.rows - 1;
                r.disagreement.worstFirstRow += s.frame.firstRow;
                r.disagreement.worstLastRow += s.frame.firstRow;
                out.push_back(r);
            }
        }
    }
    return out;
}

std::string seamReportLine(const SeamReport& r) {
    char line[256];
    std::snprintf(line, sizeof line,
                  "seam camera %d over camera %d, columns %d-%d: mean difference %.2f over %ld "
                  "px, worst rows %d-%d: %.2f",
                  r.upper, r.lower, r.firstColumn, r.lastColumn, r.disagreement.mean,
                  r.disagreement.pixels, r.disagreement.worstFirstRow, r.disagreement.worstLastRow,
                  r.disagreement.worstMean);
    return line;
}
