#include "SeamOverlay.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
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

// The line one camera's cut follows along a per-row seam, split where the
// seam leaves rows uncut or crosses the panorama's border.
template <typename ToWidget>
void drawSeamLine(QPainter& painter, const PlacedSeam& placed, bool upperSide, int panoWidth,
                  const ToWidget& toWidget) {
    const bool keepsLeft = placed.seam.upperKeepsLeft;
    // A run that ends is drawn after its last column, as edgeColumn does.
    const bool afterColumn = upperSide == keepsLeft;
    QPolygonF line;
    int lastColumn = -1;
    auto flush = [&] {
        if (line.size() > 1) painter.drawPolyline(line);
        line.clear();
    };
    for (size_t i = 0; i < placed.seam.rows.size(); ++i) {
        const SeamRow& r = placed.seam.rows[i];
        if (!r.cut) {
            flush();
            continue;
        }
        const int edge = upperSide ? r.upperEdge : r.lowerEdge;
        const int column = (placed.frame.firstColumn + edge) % panoWidth + (afterColumn ? 1 : 0);
        if (lastColumn >= 0 && std::abs(column - lastColumn) > panoWidth / 2) flush();
        lastColumn = column;
        const double row = placed.frame.firstRow + static_cast<double>(i);
        line << toWidget(column, row) << toWidget(column, row + 1);
    }
    flush();
}

QColor disagreementColour(double mean) {
    // Green up to a grey level, red from ten on: a near object cut in two.
    const double t = std::min(std::max((mean - 1.0) / 9.0, 0.0), 1.0);
    return QColor::fromRgbF(t, 1.0 - 0.8 * t, 0.2);
}

}  // namespace

void paintSeamOverlay(QPainter& painter, const Project& project, const PreviewView& view,
                      QSize widget, const std::vector<cv::Rect>& uncovered,
                      const std::vector<SeamReport>& seams) {
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

    // Per-row seams replace the columns of the cameras they cut.
    const bool perRow = project.autoMode && project.seamMode == SeamMode::Content;
    std::vector<bool> cutPerRow(project.cameras.size(), false);
    if (perRow) {
        for (const PlacedSeam& placed : project.placedSeams) {
            if (placed.upper < 0 || placed.lower < 0 ||
                placed.upper >= static_cast<int>(project.cameras.size()) ||
                placed.lower >= static_cast<int>(project.cameras.size()))
                continue;
            cutPerRow[static_cast<size_t>(placed.upper)] = true;
            cutPerRow[static_cast<size_t>(placed.lower)] = true;
            for (const bool upperSide : {false, true}) {
                const int index = upperSide ? placed.upper : placed.lower;
                if (project.cameras[static_cast<size_t>(index)].hidden) continue;
                painter.setPen(QPen(cameraColour(index), 2));
                drawSeamLine(painter, placed, upperSide, project.panoWidth, toWidget);
            }
        }
    }

    for (size_t i = 0; i < project.cameras.size(); ++i) {
        const Camara& camera = project.cameras[i];
        if (camera.hidden || camera.image.empty()) continue;
        const int index = static_cast<int>(i);
        const QColor colour = cameraColour(index);
        const double top = camera.offsetY;
        const double bottom = camera.offsetY + camera.image.rows;
        QString label = QString::number(index);
        if (camera.imgBdy.size() == 2 && cutPerRow[i]) {
            // Drawn above.
        } else if (camera.imgBdy.size() == 2) {
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
    for (const SeamReport& s : seams) {
        int last = s.lastColumn;
        if (last < s.firstColumn) last += project.panoWidth;
        const double column = ((s.firstColumn + last) / 2) % project.panoWidth + 0.5;
        const double row = (s.firstRow + s.lastRow) / 2.0;
        const QString label = QString::number(s.disagreement.mean, 'f', 1);
        const QSizeF size = metrics.size(0, label) + QSizeF(8, 4);
        const QPointF at = toWidget(column, row);
        const QRectF tag(at - QPointF(size.width() / 2, size.height() / 2), size);
        painter.fillRect(tag, QColor(0, 0, 0, 170));
        painter.setPen(disagreementColour(s.disagreement.mean));
        painter.drawText(tag, Qt::AlignCenter, label);
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
