// `inspect TABLE [--project PROJECT.pto] [--json]`: what a table holds and
// what is wrong with it.
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "ProjectSight.h"
#include "TableCommands.h"
#include "export/PanoramaCoverage.h"
#include "tables/TableFile.h"

const char kInspectUsage[] =
    "Usage: orvikjoint-cli inspect TABLE [--project PROJECT.pto] [--json]\n"
    "\n"
    "Reads a Camera_2K_Project.tab, Camera_4K_Project.tab or QuickWeave_Projcet.tab\n"
    "and prints its format, panorama size, cameras with their record and entry\n"
    "counts, coverage, holes and every structural violation with its byte offset.\n"
    "--project remaps PROJECT.pto (in a temporary folder) and checks the table\n"
    "against what its cameras see: a pixel they see that the table leaves black,\n"
    "deeper inside than a fringe along the outline, is a hole. A QuickWeave file\n"
    "holds every camera's positions, so it is checked on its own too.\n"
    "--json prints the same as one JSON object.\n"
    "\n"
    "Exit code 0 when the table is sound, 1 when it breaks the format, leaves a\n"
    "camera out (weight but not one entry), has holes or cannot be read.\n";

int reportFailure(const QString& message, int code) {
    fprintf(stderr, "orvikjoint-cli: %s\n", message.toLocal8Bit().constData());
    return code;
}

namespace {

double percent(uint64_t part, uint64_t whole) {
    return whole ? 100.0 * part / whole : 0.0;
}

// What the table leaves black of what the cameras see, when that is known.
struct SightCheck {
    bool known = false;
    QString source;  // the project, or the table's own positions
    CoverageReport report;
};

bool sound(const TableFile& t, const TableCoverage& cov, const SightCheck& sight) {
    return t.valid() && cov.leftOut().empty() && !sight.report.hasHoles();
}

QJsonObject toJson(const TableFile& t, const TableCoverage& cov, const SightCheck& sight) {
    QJsonObject o;
    o["file"] = QString::fromLocal8Bit(t.path.c_str());
    o["format"] = tableFormatName(t.format);
    o["width"] = t.W();
    o["height"] = t.H();
    o["valid"] = sound(t, cov, sight);
    QJsonArray leftOut;
    for (int c : cov.leftOut()) leftOut.append(c);
    o["leftOut"] = leftOut;
    QJsonArray cams;
    for (size_t c = 0; c < cov.cameras.size(); ++c) {
        const CameraCoverage& k = cov.cameras[c];
        QJsonObject j;
        j["camera"] = static_cast<int>(c);
        if (t.device) j["records"] = static_cast<double>(k.records);
        j["entries"] = static_cast<double>(k.entries);
        j["weightedPixels"] = static_cast<double>(k.weighted);
        j["holes"] = static_cast<double>(k.holes);
        cams.append(j);
    }
    o["cameras"] = cams;
    o["pixels"] = static_cast<double>(cov.pixels);
    o["coveredPixels"] = static_cast<double>(cov.covered);
    o["coverage"] = percent(cov.covered, cov.pixels) / 100.0;
    o["uncoveredInUnion"] = static_cast<double>(cov.uncoveredInUnion);
    QJsonArray v;
    for (const TableViolation& e : t.violations().list())
        v.append(QJsonObject{{"offset", static_cast<double>(e.offset)},
                             {"message", QString::fromStdString(e.message)}});
    o["violations"] = v;
    o["violationCount"] = static_cast<double>(t.violations().total());
    if (sight.known) {
        const CoverageReport& r = sight.report;
        QJsonArray holes;
        for (const CameraHoles& h : r.cameras) {
            QJsonArray columns;
            for (const ColumnRange& c : h.columns) columns.append(QJsonArray{c.from, c.to});
            holes.append(QJsonObject{{"camera", h.camera},
                                     {"pixels", static_cast<double>(h.pixels)},
                                     {"columns", columns}});
        }
        o["seen"] = QJsonObject{{"source", sight.source},
                                {"pixels", static_cast<double>(r.seen)},
                                {"withoutWeight", static_cast<double>(r.uncovered)},
                                {"share", r.seen ? double(r.uncovered) / r.seen : 0.0},
                                {"holePixels", static_cast<double>(r.holes)},
                                {"holes", holes}};
    }
    return o;
}

void printText(const TableFile& t, const TableCoverage& cov, const SightCheck& sight) {
    printf("%s: %s, %llu bytes\n", t.path.c_str(), tableFormatName(t.format),
           static_cast<unsigned long long>(t.device ? t.device->fileSize : t.quickWeave->fileSize));
    if (t.readable() && !t.viewProblem().empty())
        printf("panorama %d x %d, %d cameras; no coverage measured: %s\n", t.W(), t.H(), t.N(),
               t.viewProblem().c_str());
    else if (t.readable()) {
        printf("panorama %d x %d, %d cameras", t.W(), t.H(), t.N());
        if (t.device)
            printf(", camera 0 source %d x %d", t.device->sourceWidth0, t.device->sourceHeight0);
        printf("\n\ncamera  %8s  %10s  %12s  %8s\n", t.device ? "records" : "", "entries",
               "weighted px", "holes");
        for (size_t c = 0; c < cov.cameras.size(); ++c) {
            const CameraCoverage& k = cov.cameras[c];
            printf("%6zu  %8s  %10llu  %12llu  %8llu\n", c,
                   t.device ? std::to_string(k.records).c_str() : "",
                   static_cast<unsigned long long>(k.entries),
                   static_cast<unsigned long long>(k.weighted),
                   static_cast<unsigned long long>(k.holes));
        }
        printf("\ncoverage: %.2f%% of the panorama (%llu of %llu pixels have weight)\n",
               percent(cov.covered, cov.pixels), static_cast<unsigned long long>(cov.covered),
               static_cast<unsigned long long>(cov.pixels));
        uint64_t holes = 0;
        for (const CameraCoverage& k : cov.cameras) holes += k.holes;
        if (holes == 0 && cov.uncoveredInUnion == 0) printf("holes: none\n");
        for (size_t c = 0; c < cov.cameras.size(); ++c)
            if (cov.cameras[c].holes)
                printf("hole: camera %zu has weight but no entry at %llu pixels\n", c,
                       static_cast<unsigned long long>(cov.cameras[c].holes));
        if (cov.uncoveredInUnion)
            printf("hole: %llu pixels inside the cameras' union have no weight\n",
                   static_cast<unsigned long long>(cov.uncoveredInUnion));
        for (int c : cov.leftOut())
            printf("camera %d is left out: it has weight but not one entry\n", c);
        if (sight.known)
            fputs(coverageLines(sight.report, sight.source).toLocal8Bit().constData(), stdout);
    }
    const TableViolations& v = t.violations();
    if (v.empty()) {
        printf("violations: none\n");
    } else {
        printf("violations: %llu\n", static_cast<unsigned long long>(v.total()));
        for (const TableViolation& e : v.list())
            printf("  at byte %llu: %s\n", static_cast<unsigned long long>(e.offset),
                   e.message.c_str());
        if (v.total() > v.list().size())
            printf("  ... and %llu more\n",
                   static_cast<unsigned long long>(v.total() - v.list().size()));
    }
    printf("%s\n", sound(t, cov, sight) ? "valid" : "INVALID");
}

}  // namespace

int runInspect(const QStringList& args, Project& project) {
    QString path, pto;
    bool json = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--json") {
            json = true;
        } else if (a == "--project") {
            if (i + 1 >= args.size())
                return reportFailure(QString("--project needs a file\n\n%1").arg(kInspectUsage), 2);
            pto = args[++i];
        } else if (a.startsWith("-")) {
            return reportFailure(QString("unknown option '%1'\n\n%2").arg(a, kInspectUsage), 2);
        } else if (path.isEmpty()) {
            path = a;
        } else {
            return reportFailure(QString("more than one table given\n\n%1").arg(kInspectUsage), 2);
        }
    }
    if (path.isEmpty()) return reportFailure(QString("no table given\n\n%1").arg(kInspectUsage), 2);
    const TableFile t = readTableFile(path.toLocal8Bit().toStdString());
    if (!t.error.empty()) return reportFailure(QString::fromLocal8Bit(t.error.c_str()));
    const TableCoverage cov = t.coverage();
    SightCheck sight;
    if (t.readable() && t.viewProblem().empty() && (!pto.isEmpty() || t.quickWeave)) {
        if (!pto.isEmpty()) {
            const ProjectSight loaded = loadProjectSight(project, pto, t);
            if (!loaded.error.isEmpty()) return reportFailure(loaded.error);
            sight.source = QFileInfo(pto).fileName();
            sight.report = measureCoverage(loaded.seen, t.reach(sourceSizes(project)).covered);
        } else {
            // Each camera's positions say where it sees.
            const TableReach reach = t.reach();
            std::vector<CameraSight> cameras;
            for (size_t c = 0; c < reach.entries.size(); ++c)
                cameras.push_back({reach.boxes[c].x, reach.boxes[c].y, reach.entries[c]});
            sight.source = "the table's positions";
            sight.report = measureCoverage(SeenArea(t.W(), t.H(), cameras), reach.covered);
        }
        sight.known = true;
    } else if (!pto.isEmpty()) {
        return reportFailure(QString("%1 cannot be checked against %2: %3")
                                 .arg(path, pto,
                                      t.readable() ? QString::fromStdString(t.viewProblem())
                                                   : QString("it is not a readable table")));
    }
    if (json)
        fputs(QJsonDocument(toJson(t, cov, sight)).toJson(QJsonDocument::Indented).constData(),
              stdout);
    else
        printText(t, cov, sight);
    return sound(t, cov, sight) ? 0 : 1;
}
