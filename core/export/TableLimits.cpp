#include "export/TableLimits.h"

#include "export/BlendPartition.h"
#include "export/BlendTable4K.h"
#include "export/Camera2KExport.h"
#include "export/Camera4KExport.h"
#include "project/Project.h"

std::string tableLimitProblems(const Project& project, const TableChoice& tables) {
    if (!tables.camera2K && !tables.camera4K) return std::string();  // QuickWeave has no limit
    const int N = static_cast<int>(project.cameras.size());
    const int W = project.panoWidth, H = project.panoHeight;
    // The device tables' own limits apply only to a camera count their blend
    // table can hold.
    if (std::string problem = blendCameraCountProblem(N); !problem.empty()) return problem;
    std::string problems;
    auto add = [&problems](const std::string& problem) {
        if (problem.empty()) return;
        if (!problems.empty()) problems += "\n";
        problems += problem;
    };
    if (tables.camera2K) add(camera2KSizeProblem(N, W, H));
    if (tables.camera4K)
        add(blendTable4KSizeProblem(N, W, H, project.projectDir + kCamera4KFileName));
    return problems;
}
