// What the tables a run will write allow, checked on the project file alone
// (its camera count and panorama size) before the remapper spends minutes on a
// rig whose tables could not be written anyway. The exporters check the same
// limits again, with the same words, before they write.
#pragma once

#include <string>

class Project;

// The tables a run is to write.
struct TableChoice {
    bool camera2K = false;
    bool camera4K = false;
    bool quickWeave = false;
};

// Every reason the chosen tables cannot be made for `project` (too many
// cameras for a blend table, a panorama too large for a table's fields), one
// line each as the exporter would print it, without the last line end; empty
// when all of them can be made or none is chosen.
std::string tableLimitProblems(const Project& project, const TableChoice& tables);
