// Where the main window's three working areas sit in its central widget, for
// any window size: the preview takes the free space at the panorama's shape,
// the panels keep their sizes (bottom panel under the preview, camera panels
// at the right edge).
#pragma once

#include <QRect>
#include <QSize>

struct WindowAreas {
    QRect preview;
    QRect bottom;
    QRect right;
};

// `central`: the central widget's size now; `standard`: its size when the
// window has its default size (1300 x 700), where the areas are exactly
// preview 0,0 900x450, bottom 0,470 900x120, right 910,0 350x600 whatever the
// panorama. `aspect`: panorama width / height (2 before a load).
WindowAreas placeWindowAreas(QSize central, QSize standard, double aspect);
