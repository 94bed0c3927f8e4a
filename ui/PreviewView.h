// What part of the panorama the preview shows: a square window onto the unit
// square (the whole panorama, y growing downwards) that the operator zooms and
// pans. The fitted view is the whole unit square over the whole widget.
#pragma once

#include <QPointF>

class PreviewView {
public:
    // Visible part of the unit square: [left, left + span] x [top, top + span].
    double left() const { return left_; }
    double top() const { return top_; }
    double span() const { return span_; }
    bool fitted() const { return span_ == 1.0; }

    // Back to the whole panorama; exactly left 0, top 0, span 1.
    void fit();
    // Magnifies by `factor` (below 1 zooms out) keeping the panorama point under
    // `at` where it is. `at` is a position in the widget as fractions of its
    // width and height (0..1). The span stays within [minSpan, 1].
    void zoomAt(QPointF at, double factor, double minSpan);
    // Moves the panorama by `by` (fractions of the widget's width and height),
    // as far as the view stays inside it.
    void panBy(QPointF by);

    // Unit-square point to widget fractions (outside 0..1 when not in view).
    QPointF toWidget(QPointF unit) const;

private:
    void clamp();

    double left_ = 0, top_ = 0, span_ = 1;
};
