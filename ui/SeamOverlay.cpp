#include "SeamOverlay.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <utility>
#include <vector>

#include "PreviewView.h"
#include "project/Project.h"

namespace {

// Neighbours in a ring get clearly different colours, so two seams that lie
// close together can be told apart.
QColor cameraColour(int index) {
    static const QColor palette[] = {
        QColor(255, 230, 0),  QColor(0, 230, 255), QColor(255, 120, 0),   QColor(255, 60, 255),
        QColor(60, 255, 120), QColor(255, 80, 80), QColor(130, 150, 255), QColor(255, 255, 255)};
    return palette[index % 8];
}

// Panorama column of one boundary edge: a run starts at its first valid column
// and ends after its last one, so the two lines enclose exactly the run.
double edgeColumn(const Camara& camera, const BoundaryEdge& edge) {
    return camera.offsetX + edge.column + (edge.kind == 0 ? 1 : 0);
}

// The columns the index is centred over: the run, or the wider part of a run
// that wraps around the image's sides; the whole layer without a boundary.
std::pair<double, double> labelRun(const Camara& camera) {
    if (camera.imgBdy.size() != 2) return {camera.offsetX, camera.offsetX + camera.image.cols};
    const BoundaryEdge& a = camera.imgBdy[0];
    const BoundaryEdge& b = camera.imgBdy[1];
    if (a.kind != 0) return {edgeColumn(camera, a), edgeColumn(camera, b)};
    const double leftPart = a.column + 1.0;
    const double rightPart = camera.image.cols - b.column;
    if (leftPart >= rightPart) return {camera.offsetX, camera.offsetX + leftPart};
    return {camera.offsetX + b.column, camera.offsetX + camera.image.cols};
}

}  // namespace

void paintSeamOverlay(QPainter& painter, const Project& project, const PreviewView& view,
                      QSize widget, const std::vector<cv::Rect>& uncovered) {
    if (project.panoWidth <= 0 || project.panoHeight <= 0) return;
    const auto toWidget = [&](double column, double row) {
        const QPointF f =
            view.toWidget(QPointF(column / project.panoWidth, row / project.panoHeight));
        return QPointF(f.x() * widget.width(), f.y() * widget.height());
    };
    QFont font = painter.font();
    font.setPixelSize(14);
    font.setBold(true);
    painter.setFont(font);
    const QFontMetricsF metrics(font);

    // The holes under the seams, so the lines stay readable; their labels
    // last, over everything.
    const QColor red(255, 40, 40);
    std::vector<QRectF> holes;
    for (const cv::Rect& area : uncovered) {
        holes.emplace_back(toWidget(area.x, area.y), toWidget(area.x + area.width, area.br().y));
        painter.fillRect(holes.back(), QBrush(QColor(255, 40, 40, 90)));
        painter.fillRect(holes.back(), QBrush(red, Qt::BDiagPattern));
        painter.setPen(QPen(red, 2));
        painter.drawRect(holes.back());
    }

    for (size_t i = 0; i < project.cameras.size(); ++i) {
        const Camara& camera = project.cameras[i];
        if (camera.hidden || camera.image.empty()) continue;
        const int index = static_cast<int>(i);
        const QColor colour = cameraColour(index);
        const double top = camera.offsetY;
        const double bottom = camera.offsetY + camera.image.rows;
        QString label = QString::number(index);
        if (camera.imgBdy.size() == 2) {
            painter.setPen(QPen(colour, 2));
            for (const BoundaryEdge& edge : camera.imgBdy) {
                const double x = edgeColumn(camera, edge);
                painter.drawLine(toWidget(x, top), toWidget(x, bottom));
            }
        } else {
            // Left out of every table; the overlay must not look as if it had seams.
            label = QCoreApplication::translate("OpenGLWidget", "%1 无边界").arg(index);
        }
        // Over the middle of its run at the top of its layer; zoomed in, kept
        // inside the view as long as some of the run and the layer is in it.
        const QSizeF box = metrics.size(0, label) + QSizeF(8, 4);
        const auto [from, to] = labelRun(camera);
        const double left = std::max(toWidget(from, top).x(), 4.0) + box.width() / 2;
        const double right =
            std::min(toWidget(to, top).x(), widget.width() - 4.0) - box.width() / 2;
        const double middle = toWidget((from + to) / 2, top).x();
        const double x = left <= right ? std::min(std::max(middle, left), right) : middle;
        const double y = std::min(std::max(toWidget(from, top).y(), 0.0) + 4,
                                  toWidget(from, bottom).y() - box.height());
        const QRectF rect(QPointF(x - box.width() / 2, y), box);
        painter.fillRect(rect, QColor(0, 0, 0, 170));
        painter.setPen(colour);
        painter.drawText(rect, Qt::AlignCenter, label);
    }
    for (size_t i = 0; i < holes.size(); ++i) {
        const cv::Rect& area = uncovered[i];
        const QString label = QCoreApplication::translate("OpenGLWidget", "未覆盖 %1–%2")
                                  .arg(area.x)
                                  .arg(area.x + area.width - 1);
        const QSizeF size = metrics.size(0, label) + QSizeF(8, 4);
        const QRectF tag(QPointF(holes[i].center().x() - size.width() / 2,
                                 holes[i].bottom() - size.height() - 4),
                         size);
        painter.fillRect(tag, QColor(0, 0, 0, 170));
        painter.setPen(red);
        painter.drawText(tag, Qt::AlignCenter, label);
    }
}
