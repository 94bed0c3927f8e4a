#include "PreviewView.h"

#include <algorithm>

void PreviewView::fit() {
    left_ = 0;
    top_ = 0;
    span_ = 1;
}

void PreviewView::zoomAt(QPointF at, double factor, double minSpan) {
    if (!(factor > 0)) return;
    const double ux = left_ + at.x() * span_;
    const double uy = top_ + at.y() * span_;
    span_ = std::min(1.0, std::max(std::min(minSpan, 1.0), span_ / factor));
    if (span_ >= 1.0) {
        // Rounding must not leave the fitted view a hair off its exact projection.
        fit();
        return;
    }
    left_ = ux - at.x() * span_;
    top_ = uy - at.y() * span_;
    clamp();
}

void PreviewView::panBy(QPointF by) {
    left_ -= by.x() * span_;
    top_ -= by.y() * span_;
    clamp();
}

QPointF PreviewView::toWidget(QPointF unit) const {
    return QPointF((unit.x() - left_) / span_, (unit.y() - top_) / span_);
}

void PreviewView::clamp() {
    left_ = std::min(std::max(left_, 0.0), 1.0 - span_);
    top_ = std::min(std::max(top_, 0.0), 1.0 - span_);
}
