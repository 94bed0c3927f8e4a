// Automatic seams: wherever two cameras' valid runs overlap, the seam goes to the
// middle of the overlap; the upper camera fades across it, the lower one is cut
// hard under the fade.
#include "tuning/AutoSeams.h"

#include <string>
#include <utility>
#include <vector>

#include "geometry/Feather.h"
#include "project/Project.h"
#include "tuning/AutoContentSeams.h"

namespace {

// Raw edges moved into panorama columns.
std::vector<BoundaryEdge> panoEdges(const Camara& cam) {
    std::vector<BoundaryEdge> edges = cam.rawBdy;
    for (BoundaryEdge& e : edges) e.column += cam.offsetX;
    return edges;
}

void placePair(const Camara& upper, const Camara& lower, int a, int panoWidth,
               std::vector<BlendEdge>& upperList, std::vector<BlendEdge>& lowerList) {
    const std::vector<BoundaryEdge> pe = panoEdges(upper);
    const std::vector<BoundaryEdge> qe = panoEdges(lower);
    if (pe.size() < 2 || qe.size() < 2) return;
    const int h = a / 2;
    const BoundaryEdge p0 = pe[0], p1 = pe[1], q0 = qe[0], q1 = qe[1];
    if (p0.kind == 1) {
        // The upper camera covers the single run p0 .. p1.
        for (const BoundaryEdge& q : qe) {
            if (!(p0.column < q.column && q.column < p1.column)) continue;
            const BoundaryEdge f = q.kind == 1 ? p1 : p0;
            const int s = q.kind == 1 ? h : -h;
            const int mid = (q.column + f.column) / 2;
            upperList.push_back({mid + s - upper.offsetX, f.kind, a});
            lowerList.push_back({mid - s - lower.offsetX, q.kind, 0});
        }
    } else if (q0.kind == 1) {
        // The lower camera covers the single run q0 .. q1.
        for (const BoundaryEdge& p : pe) {
            if (!(q0.column < p.column && p.column < q1.column)) continue;
            const BoundaryEdge g = p.kind == 1 ? q1 : q0;
            const int s = p.kind == 1 ? -h : h;
            const int mid = (p.column + g.column) / 2;
            upperList.push_back({mid + s - upper.offsetX, p.kind, a});
            lowerList.push_back({mid - s - lower.offsetX, g.kind, 0});
        }
    } else {
        // Both runs wrap around the panorama's left/right border.
        const int w = panoWidth;
        if (q1.column < p0.column + w && p0.column + w < q0.column + w) {
            int mid = (q1.column + p0.column + w) / 2;
            if (mid >= w) {
                mid -= w;
                if (mid + 1 < a) mid = a - 1;
            }
            upperList.push_back({mid - upper.offsetX, p0.kind, a});
            lowerList.push_back({mid - lower.offsetX - a + 1, q1.kind, 0});
        } else if (q0.column < p1.column && p1.column < q0.column + w) {
            int mid = (p1.column + q0.column + w) / 2;
            if (mid < w && w - mid < a) mid = w - a;
            upperList.push_back({mid - upper.offsetX, p1.kind, a});
            lowerList.push_back({mid - lower.offsetX + a - 1, q0.kind, 0});
        }
    }
}

}  // namespace

std::vector<std::vector<BlendEdge>> autoSeams(const Project& project, int fadeWidth) {
    const int n = static_cast<int>(project.cameras.size());
    std::vector<std::vector<BlendEdge>> table(static_cast<size_t>(n));
    const std::deque<int>& order = project.drawOrder;
    const int orderSize = static_cast<int>(order.size());
    auto validIndex = [n](int i) { return i >= 0 && i < n; };
    // Every pair once, the upper camera (later in the drawing order) first.
    for (int pi = orderSize - 1; pi >= 0; --pi) {
        const int p = order[static_cast<size_t>(pi)];
        if (!validIndex(p)) continue;
        for (int qi = pi - 1; qi >= 0; --qi) {
            const int q = order[static_cast<size_t>(qi)];
            if (!validIndex(q) || q == p) continue;
            placePair(project.cameras[static_cast<size_t>(p)],
                      project.cameras[static_cast<size_t>(q)], fadeWidth, project.panoWidth,
                      table[static_cast<size_t>(p)], table[static_cast<size_t>(q)]);
        }
    }
    return table;
}

namespace {

// Whether panorama column `x` lies strictly inside the valid run of `cam`.
bool insideRun(const Camara& cam, int x) {
    const std::vector<BoundaryEdge> e = panoEdges(cam);
    if (e.size() < 2) return false;
    if (e[0].kind == 1) return e[0].column < x && x < e[1].column;
    return x < e[0].column || e[1].column < x;  // the run wraps around the border
}

// A camera with a seam on one side only is an end of a panorama that does not
// close the circle, when its other side overlaps no camera: that side keeps
// the camera's own raw edge, hard, so the panorama's outer end keeps every
// pixel the camera sees and fades towards nothing. A side that does overlap a
// camera is left without its seam, to fail by name.
void keepOpenSides(const Project& project, std::vector<std::vector<BlendEdge>>& table) {
    for (size_t i = 0; i < table.size(); ++i) {
        const Camara& cam = project.cameras[i];
        if (table[i].size() != 1 || cam.rawBdy.size() < 2) continue;
        const int openKind = 1 - table[i][0].kind;
        const BoundaryEdge raw = cam.rawBdy[0].kind == openKind ? cam.rawBdy[0] : cam.rawBdy[1];
        if (raw.kind != openKind) continue;
        const BlendEdge open{raw.column, raw.kind, 0};
        if (isOpenSide(project, static_cast<int>(i), open)) table[i].push_back(open);
    }
}

}  // namespace

bool isOpenSide(const Project& project, int camera, const BlendEdge& entry) {
    const Camara& cam = project.cameras[static_cast<size_t>(camera)];
    bool raw = false;
    for (const BoundaryEdge& e : cam.rawBdy)
        raw = raw || (e.column == entry.column && e.kind == entry.kind);
    if (!raw || entry.width != 0) return false;
    for (size_t j = 0; j < project.cameras.size(); ++j)
        if (static_cast<int>(j) != camera &&
            insideRun(project.cameras[j], entry.column + cam.offsetX))
            return false;
    return true;
}

namespace {

// Why camera `cam` did not get one seam on each side from its `seams`.
std::string seamFailure(const Camara& cam, const std::vector<BlendEdge>& seams) {
    if (cam.rawBdy.size() < 2)
        return "no usable boundary: its middle row has no edge to cut at, so no seam can be "
               "placed";
    if (seams.empty()) return "no overlap with a neighbour: its valid run overlaps no other camera";
    if (seams.size() == 1)
        return std::string("its valid run's ") + (seams[0].kind == 1 ? "end" : "start") +
               " overlaps another camera, but no seam could be placed there";
    return "it overlaps more than one neighbour on the same side (" + std::to_string(seams.size()) +
           " seams where one on each side is needed)";
}

}  // namespace

AutoBlendResult autoBlend(Project& project, int fadeWidth) {
    AutoBlendResult result;
    if (!project.loaded) return result;
    const int n = static_cast<int>(project.cameras.size());
    std::vector<std::vector<BlendEdge>> table = autoSeams(project, fadeWidth);
    keepOpenSides(project, table);
    // All or nothing: a camera without exactly two seams leaves every camera as it
    // was, so the preview and the exporters never see a half-applied result.
    for (int i = 0; i < n; ++i) {
        const std::vector<BlendEdge>& seams = table[static_cast<size_t>(i)];
        if (seams.size() == 2 && seams[0].kind != seams[1].kind) continue;
        result.status = AutoBlendResult::Status::Failed;
        const Camara& cam = project.cameras[static_cast<size_t>(i)];
        result.failures.push_back({i, sourceFileName(cam.sourcePath), seamFailure(cam, seams)});
    }
    if (!result.ok()) return result;
    if (project.seamMode == SeamMode::Content) {
        if (applyContentSeams(project, table, fadeWidth, &result.failures) != 0)
            result.status = AutoBlendResult::Status::Failed;
        return result;
    }
    project.placedSeams.clear();
    for (int i = 0; i < n; ++i) {
        std::vector<BlendEdge>& list = table[static_cast<size_t>(i)];
        if (list[0].column >= list[1].column) std::swap(list[0], list[1]);
        project.cameras[static_cast<size_t>(i)].applyAutoBoundary(
            {list[0].column, list[0].kind}, list[0].width, {list[1].column, list[1].kind},
            list[1].width);
    }
    return result;
}
