#pragma once

// One validity transition of a camera's remapped image along a row.
// kind 1: a valid run starts at `column`; kind 0: it ends there.
struct BoundaryEdge {
    int column = 0;
    int kind = 0;
    bool operator==(const BoundaryEdge& o) const { return column == o.column && kind == o.kind; }
};
