// `inspect TABLE [--json]`: what a table holds and what is wrong with it.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "TableCommands.h"
#include "tables/TableFile.h"

const char kInspectUsage[] =
    "Usage: orvikjoint-cli inspect TABLE [--json]\n"
    "\n"
    "Reads a Camera_2K_Project.tab, Camera_4K_Project.tab or QuickWeave_Projcet.tab\n"
    "and prints its format, panorama size, cameras with their record and entry\n"
    "counts, coverage, holes and every structural violation with its byte offset.\n"
    "--json prints the same as one JSON object.\n"
    "\n"
    "Exit code 0 when the table is sound, 1 when it breaks the format, leaves a\n"
    "camera out (weight but not one entry) or cannot be read.\n";

int reportFailure(const QString& message, int code) {
    fprintf(stderr, "orvikjoint-cli: %s\n", message.toLocal8Bit().constData());
    return code;
}

namespace {

double percent(uint64_t part, uint64_t whole) {
    return whole ? 100.0 * part / whole : 0.0;
}

QJsonObject toJson(const TableFile& t, const TableCoverage& cov) {
    QJsonObject o;
    o["file"] = QString::fromLocal8Bit(t.path.c_str());
    o["format"] = tableFormatName(t.format);
    o["width"] = t.W();
    o["height"] = t.H();
    o["valid"] = t.valid() && cov.leftOut().empty();
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
    return o;
}

void printText(const TableFile& t, const TableCoverage& cov) {
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
    printf("%s\n", t.valid() && cov.leftOut().empty() ? "valid" : "INVALID");
}

}  // namespace

int runInspect(const QStringList& args) {
    QString path;
    bool json = false;
    for (const QString& a : args) {
        if (a == "--json") {
            json = true;
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
    if (json)
        fputs(QJsonDocument(toJson(t, cov)).toJson(QJsonDocument::Indented).constData(), stdout);
    else
        printText(t, cov);
    return t.valid() && cov.leftOut().empty() ? 0 : 1;
}
