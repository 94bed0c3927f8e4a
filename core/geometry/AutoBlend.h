// Automatic seam placement between overlapping cameras.
#pragma once

// Places seams between every overlapping pair of cameras (upper camera in the
// drawing order fades over `fadeWidth` pixels, the lower one is cut hard) and
// writes each camera's imgBdy and displayImage through applyAutoBoundary,
// marking its texture stale. Returns 0 on success (or when nothing is loaded),
// -1 when some camera does not end up with exactly two seams; then no camera is
// changed. Never repaints and never shows a message: the caller does both.
int autoBlend(int fadeWidth);
