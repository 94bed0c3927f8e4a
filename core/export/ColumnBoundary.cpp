#include "export/ColumnBoundary.h"

#include <algorithm>
#include <cstdio>

#include "system/Reporter.h"

bool insideColumnBoundary(int column, const std::vector<BoundaryEdge>& imgBdy) {
    if (imgBdy.size() != 2) {
        reportf("bdy count :%d\r\n", static_cast<int>(imgBdy.size()));
        return false;
    }
    return insideTwoEdges(column, imgBdy[0], imgBdy[1]);
}

BoundaryColumns::BoundaryColumns(const std::vector<BoundaryEdge>& imgBdy, int columns)
    : edgeCount(static_cast<int>(imgBdy.size())),
      inside(static_cast<size_t>(std::max(columns, 0)), 0) {
    if (edgeCount != 2) return;
    for (int c = 0; c < columns; ++c)
        inside[static_cast<size_t>(c)] = insideTwoEdges(c, imgBdy[0], imgBdy[1]) ? 1 : 0;
}

void reportBrokenBoundary(int edgeCount, int64_t pixels) {
    char line[32];
    std::snprintf(line, sizeof line, "bdy count :%d\r\n", edgeCount);
    Reporter& out = reporter();
    for (int64_t i = 0; i < pixels; ++i) out.text(line);
}
