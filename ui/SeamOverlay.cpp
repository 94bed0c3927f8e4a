#include "SeamOverlay.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

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

// Where the index goes: the middle of the run, or of the wider part of a run
// that wraps around the image's sides.
double labelColumn(const Camara& camera) {
    const BoundaryEdge& a = camera.imgBdy[0];
    const BoundaryEdge& b = camera.imgBdy[1];
    if (a.kind != 0) return (edgeColumn(camera, a) + edgeColumn(camera, b)) / 2;
    const double leftPart = a.column + 1.0;
    const double rightPart = camera.image.cols - b.column;
    return leftPart >= rightPart ? camera.offsetX + leftPart / 2
                                 : camera.offsetX + b.column + rightPart / 2;
}

}  // namespace

void paintSeamOverlay(QPainter& painter, const Project& project, const PreviewView& view,
                      QSize widget) {
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

    for (size_t i = 0; i < project.cameras.size(); ++i) {
        const Camara& camera = project.cameras[i];
        if (camera.hidden || camera.image.empty()) continue;
        const int index = static_cast<int>(i);
        const QColor colour = cameraColour(index);
        const double top = camera.offsetY;
        const double bottom = camera.offsetY + camera.image.rows;
        QString label = QString::number(index);
        double column = camera.offsetX + camera.image.cols / 2.0;
        if (camera.imgBdy.size() == 2) {
            painter.setPen(QPen(colour, 2));
            for (const BoundaryEdge& edge : camera.imgBdy) {
                const double x = edgeColumn(camera, edge);
                painter.drawLine(toWidget(x, top), toWidget(x, bottom));
            }
            column = labelColumn(camera);
        } else {
            // Left out of every table; the overlay must not look as if it had seams.
            label = QCoreApplication::translate("OpenGLWidget", "%1 无边界").arg(index);
        }
        // At the top of the layer, or of the view when the layer's top is
        // scrolled away, as long as some of the layer is in view.
        const QSizeF box = metrics.size(0, label) + QSizeF(8, 4);
        const QPointF topAt = toWidget(column, top);
        const double y =
            std::min(std::max(topAt.y(), 0.0) + 4, toWidget(column, bottom).y() - box.height());
        const QRectF rect(QPointF(topAt.x() - box.width() / 2, y), box);
        painter.fillRect(rect, QColor(0, 0, 0, 170));
        painter.setPen(colour);
        painter.drawText(rect, Qt::AlignCenter, label);
    }
}
