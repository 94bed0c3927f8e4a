#include "SliderTips.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

#include "geometry/Feather.h"
#include "geometry/ManualCrop.h"
#include "project/Project.h"

namespace {

// The smallest and largest of `f(width)` over the cameras that have a
// remapped image; empty when none has.
struct PixelRange {
    int least = INT_MAX;
    int most = INT_MIN;
    bool empty() const { return least > most; }
    void add(int px) {
        least = std::min(least, px);
        most = std::max(most, px);
    }
    // "12" or "10–14", magnitudes only.
    QString text() const {
        const int a = std::min(std::abs(least), std::abs(most));
        const int b = std::max(std::abs(least), std::abs(most));
        return a == b ? QString::number(a) : QString("%1–%2").arg(a).arg(b);
    }
};

template <typename F>
PixelRange overRig(const Project& project, F f) {
    PixelRange r;
    for (const Camara& c : project.cameras)
        if (!c.image.empty()) r.add(f(c.image.cols));
    return r;
}

// How far a cut edge lies inside the camera's valid edge (negative: outside).
int insetPixels(int cutValue, int trimValue, int width) {
    return -trimPixels(cutPixels(cutValue, width), trimValue, width);
}

// In automatic mode the sliders only store their values.
QString withModeNote(const Project& project, const QString& tip) {
    if (!project.autoMode) return tip;
    return tip +
           QCoreApplication::translate("SliderTips", "；自动模式下不生效，离开自动模式后应用");
}

QString blendTipText(const Project& project, int blendValue) {
    const PixelRange px =
        overRig(project, [blendValue](int w) { return blendPixels(blendValue, w); });
    if (px.empty())
        return QCoreApplication::translate("SliderTips",
                                           "混合 %1（0–60000）：载入方案后显示渐变的像素宽度")
            .arg(blendValue);
    return QCoreApplication::translate("SliderTips", "混合 %1：每台相机在切口处渐变 %2 像素")
        .arg(blendValue)
        .arg(px.text());
}

QString cropTipText(const Project& project, int cutValue) {
    const PixelRange px =
        overRig(project, [cutValue](int w) { return insetPixels(cutValue, 0, w); });
    if (px.empty())
        return QCoreApplication::translate("SliderTips",
                                           "裁剪 %1（0–60000）：载入方案后显示切口的像素位置")
            .arg(cutValue);
    // Cuts pushed past a layer's sides wrap round and clear the camera's
    // middle, which is what the value does then, whatever the pixel figure says.
    PixelRange cleared;
    std::vector<int> middle;
    for (size_t i = 0; i < project.cameras.size(); ++i) {
        const CropEffect e = manualCropEffect(project.cameras[i].image, cutValue, 0, 0);
        if (!e.middle) continue;
        cleared.add(e.clearedColumns);
        middle.push_back(static_cast<int>(i));
    }
    if (!middle.empty())
        return QCoreApplication::translate(
                   "SliderTips",
                   "裁剪 %1：切口推到接缝边缘以外 %2 像素，越过图层两侧后折回，清除了%3中间的 %4 "
                   "像素（方向微调为 0 时）；20000 保留整台相机")
            .arg(cutValue)
            .arg(px.text())
            .arg(cameraNames(middle))
            .arg(cleared.text());
    if (px.least == 0 && px.most == 0)
        return QCoreApplication::translate("SliderTips", "裁剪 %1：切口正好落在接缝边缘上")
            .arg(cutValue);
    if (px.least >= 0)
        return QCoreApplication::translate("SliderTips",
                                           "裁剪 %1：切口在接缝边缘以内 %2 像素（方向微调为 0 时）")
            .arg(cutValue)
            .arg(px.text());
    return QCoreApplication::translate(
               "SliderTips", "裁剪 %1：切口在接缝边缘以外 %2 像素，不裁掉像素（方向微调为 0 时）")
        .arg(cutValue)
        .arg(px.text());
}

// direction(l) sets how far the cut where the camera's valid columns end lies
// inside them, direction(r) the cut where they start; larger values move the
// first to the left and the second to the right. Where the cuts wrap round,
// those two cuts are the edges of the cleared middle, the first on its left.
QString trimTipText(const Camara& camera, int cutValue, int trimValue, bool leftSlider) {
    if (camera.image.empty())
        return QCoreApplication::translate("SliderTips",
                                           "方向微调 %1（0–60000）：载入相机后显示切口的像素位置")
            .arg(trimValue);
    const int dirL = leftSlider ? trimValue : camera.dirL;
    const int dirR = leftSlider ? camera.dirR : trimValue;
    const CropEffect e = manualCropEffect(camera.image, cutValue, dirL, dirR);
    if (e.edges.size() != 2)
        return QCoreApplication::translate("SliderTips",
                                           "方向微调 %1：这台相机的中间行没有可裁剪的边缘")
            .arg(trimValue);
    const int column = e.edges[e.edges[0].kind == (leftSlider ? 0 : 1) ? 0 : 1].column;
    if (e.middle)
        return (leftSlider
                    ? QCoreApplication::translate(
                          "SliderTips",
                          "方向微调 %1：切口越过图层两侧后折回，清除了这台相机中间的 %2 "
                          "像素；它移动清除部分的左边（第 %3 列），数值越大越往左（裁剪 %4）")
                    : QCoreApplication::translate(
                          "SliderTips",
                          "方向微调 %1：切口越过图层两侧后折回，清除了这台相机中间的 %2 "
                          "像素；它移动清除部分的右边（第 %3 列），数值越大越往右（裁剪 %4）"))
            .arg(trimValue)
            .arg(e.clearedColumns)
            .arg(column)
            .arg(cutValue);
    const int px = insetPixels(cutValue, trimValue, camera.image.cols);
    const QString edge =
        leftSlider
            ? QCoreApplication::translate("SliderTips", "右侧切口（第 %1 列，数值越大越往左）")
                  .arg(column)
            : QCoreApplication::translate("SliderTips", "左侧切口（第 %1 列，数值越大越往右）")
                  .arg(column);
    if (px == 0)
        return QCoreApplication::translate("SliderTips",
                                           "方向微调 %1：%2正好落在接缝边缘上（裁剪 %3）")
            .arg(trimValue)
            .arg(edge)
            .arg(cutValue);
    return (px > 0
                ? QCoreApplication::translate("SliderTips",
                                              "方向微调 %1：%2在接缝边缘以内 %3 像素（裁剪 %4）")
                : QCoreApplication::translate(
                      "SliderTips", "方向微调 %1：%2在接缝边缘以外 %3 像素，不裁掉像素（裁剪 %4）"))
        .arg(trimValue)
        .arg(edge)
        .arg(std::abs(px))
        .arg(cutValue);
}

}  // namespace

QString blendTip(const Project& project, int blendValue) {
    return withModeNote(project, blendTipText(project, blendValue));
}

QString cropTip(const Project& project, int cutValue) {
    return withModeNote(project, cropTipText(project, cutValue));
}

QString trimTip(const Project& project, const Camara& camera, int trimValue, bool leftSlider) {
    return withModeNote(project, trimTipText(camera, project.cutValue, trimValue, leftSlider));
}

QString cameraNames(const std::vector<int>& cameras) {
    QStringList indices;
    for (int i : cameras) indices << QString::number(i);
    return QCoreApplication::translate("SliderTips", "相机 %1")
        .arg(indices.join(QCoreApplication::translate("SliderTips", "、")));
}

QString displayTip() {
    return QCoreApplication::translate("SliderTips", "双击输入数值");
}
