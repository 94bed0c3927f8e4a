// The column test against a camera's two-edge boundary list imgBdy: which
// columns of the camera's remapped image lie inside its valid region.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/BoundaryEdge.h"

// The rule for a boundary of exactly two edges: for [start, end] (first kind 1)
// start <= column <= end; for a wrapped boundary (first kind 0)
// 0 <= column <= first or column >= second.
inline bool insideTwoEdges(int column, const BoundaryEdge& e0, const BoundaryEdge& e1) {
    if (e0.kind != 0) return e0.column <= column && column <= e1.column;
    return (0 <= column && column <= e0.column) || column >= e1.column;
}

// True when camera column `column` lies inside the boundary (insideTwoEdges). A
// list without exactly two entries prints "bdy count :%d\r\n" and answers false.
bool insideColumnBoundary(int column, const std::vector<BoundaryEdge>& imgBdy);

// insideColumnBoundary worked out once for every column 0..columns-1 of a
// camera (without printing).
struct BoundaryColumns {
    BoundaryColumns(const std::vector<BoundaryEdge>& imgBdy, int columns);
    int edgeCount = 0;            // entries of imgBdy
    std::vector<uint8_t> inside;  // 1 where the column is inside; all 0 unless edgeCount is 2
};

// Prints "bdy count :%d\r\n" with edgeCount `pixels` times: what
// insideColumnBoundary prints for that many pixels tested against a boundary
// of edgeCount entries.
void reportBrokenBoundary(int edgeCount, int64_t pixels);
