#include "WindowAreas.h"

#include <algorithm>
#include <cmath>

WindowAreas placeWindowAreas(QSize central, QSize standard, double aspect) {
    const QRect preview(0, 0, 900, 450);
    const int gap = 20;  // between the preview and the bottom panel
    if (central == standard || !(aspect > 0))
        return {preview, QRect(0, 470, 900, 120), QRect(910, 0, 350, 600)};
    // Whatever the window gains or loses beyond its default size goes to the
    // preview; a panel docked beside the window may make it smaller.
    const int extraW = central.width() - standard.width();
    const int extraH = central.height() - standard.height();
    const double budgetW = std::max(1, preview.width() + extraW);
    const double budgetH = std::max(1, preview.height() + extraH);
    QSize size;
    if (budgetW / budgetH > aspect)
        size = QSize(std::max(1, static_cast<int>(std::lround(budgetH * aspect))),
                     static_cast<int>(budgetH));
    else
        size = QSize(static_cast<int>(budgetW),
                     std::max(1, static_cast<int>(std::lround(budgetW / aspect))));
    WindowAreas areas;
    areas.preview = QRect(QPoint(0, 0), size);
    // The bottom panel never reaches under the camera panels.
    areas.bottom = QRect(0, size.height() + gap, std::min(900, static_cast<int>(budgetW)), 120);
    areas.right = QRect(910 + extraW, 0, 350, 600);
    return areas;
}
