// orvikjoint-cli: the load sequence and the table exports without a display.
#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "CliSettings.h"
#include "TableCommands.h"
#include "export/Camera2KExport.h"
#include "export/Camera4KExport.h"
#include "export/ExportResult.h"
#include "export/HoleReport.h"
#include "export/PanoramaCoverage.h"
#include "export/QuickWeaveExport.h"
#include "export/TableBatch.h"
#include "file/InputFile.h"
#include "file/Local8Bit.h"
#include "geometry/SliderRange.h"
#include "load/LoadSequence.h"
#include "project/LoadReport.h"
#include "project/Project.h"
#include "tuning/AutoSeams.h"
#include "tuning/SeamReport.h"

namespace {

const char kUsage[] =
    "Usage: orvikjoint-cli export [options] PROJECT.pto\n"
    "\n"
    "Remaps every camera of PROJECT.pto with nona2, analyses it as the window does,\n"
    "and writes the device tables into the project's folder.\n"
    "\n"
    "Tables (none given: all of them):\n"
    "  --2k            Camera_2K_Project.tab\n"
    "  --4k            Camera_4K_Project.tab\n"
    "  --quickweave    QuickWeave_Projcet.tab\n"
    "\n"
    "Adjustments (as in the window; slider values 0..60000):\n"
    "  --blend V       global blend width\n"
    "  --crop V        global crop\n"
    "  --trim CAM:L:R  left and right trim of camera CAM (may be repeated)\n"
    "  --order LIST    drawing order, bottom first, e.g. 3,2,1,0 (a permutation of\n"
    "                  the camera indices; default N-1,...,1,0: camera 0 on top)\n"
    "  --auto          place the seams automatically (30-pixel fades)\n"
    "  --seams MODE    where the automatic seams go: middle (the middle of every\n"
    "                  overlap, the default) or content (per row where the two\n"
    "                  cameras agree, beside what parallax doubles; fades narrow\n"
    "                  to 6 pixels where 30 agreeing columns cannot be found);\n"
    "                  default: what the settings file says, else middle\n"
    "\n"
    "Settings: PROJECT.orvik.json beside PROJECT.pto (saved by the window) is applied\n"
    "first and the options above override it; every export saves what it used there.\n"
    "  --settings FILE read the settings from FILE instead; no settings file is\n"
    "                  written then (FILE may be another rig's or a template)\n"
    "  --no-settings   neither read nor write any settings file\n"
    "  --manual        seams by blend and crop even where the settings say automatic\n"
    "\n"
    "  --allow-missing-cameras\n"
    "                  write the tables even when a camera is left out of them (its\n"
    "                  images could not be loaded, or its layer gives no boundary);\n"
    "                  without it such a rig is refused and nothing is written\n"
    "  --allow-holes   write the tables even when they leave black what the cameras\n"
    "                  see (crop 0, for one, clears the middle of each camera; 20000\n"
    "                  keeps each camera whole); without it such a rig is refused,\n"
    "                  saying how much is uncovered, where and why, and nothing is\n"
    "                  written. A fringe along the outline of what the cameras see\n"
    "                  (a hundredth of the panorama's height) is not a hole.\n"
    "  --remap-timeout SECONDS  end the remapper and fail when it runs longer\n"
    "                  (default 600)\n"
    "  -h, --help      show this text\n"
    "  --version       show the version\n"
    "\n"
    "After the tables, one line per seam tells how well it hides: the mean\n"
    "difference of the two cameras over the seam's pixels and its worst rows.\n"
    "\n"
    "Every requested table is written completely before any earlier one is\n"
    "replaced; when one cannot be written, none is replaced.\n"
    "\n"
    "Exit code 0 only when every requested table was written with every camera\n"
    "(or, with --allow-missing-cameras, with the cameras that could take part) and\n"
    "without holes (or, with --allow-holes, with them).\n"
    "\n"
    "Other commands: inspect TABLE, render TABLE (--help after the command for more).\n";

struct Trim {
    int camera, left, right;
};

struct Options {
    bool want2k = false, want4k = false, wantQuickWeave = false;
    std::optional<int> blend, crop;
    std::vector<Trim> trims;
    std::optional<std::vector<int>> order;
    bool autoSeams = false;
    std::optional<SeamMode> seams;
    bool allowMissingCameras = false;
    bool allowHoles = false;
    int remapTimeout = 600;
    QString project;
};

bool parseInt(const QString& text, int lo, int hi, int* out) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi) return false;
    *out = v;
    return true;
}

// Returns an error message, empty on success.
QString parseArgs(const QStringList& args, Options* o) {
    if (args.isEmpty() || args[0] != "export")
        return args.isEmpty() ? "no command given" : QString("unknown command '%1'").arg(args[0]);
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString* v) {
            if (i + 1 >= args.size()) return false;
            *v = args[++i];
            return true;
        };
        QString v;
        if (a == "--2k") {
            o->want2k = true;
        } else if (a == "--4k") {
            o->want4k = true;
        } else if (a == "--quickweave") {
            o->wantQuickWeave = true;
        } else if (a == "--auto") {
            o->autoSeams = true;
        } else if (a == "--allow-missing-cameras") {
            o->allowMissingCameras = true;
        } else if (a == "--allow-holes") {
            o->allowHoles = true;
        } else if (a == "--blend" || a == "--crop") {
            int n = 0;
            if (!value(&v) || !parseInt(v, 0, kSliderMax, &n))
                return QString("%1 needs a value from 0 to %2").arg(a).arg(kSliderMax);
            (a == "--blend" ? o->blend : o->crop) = n;
        } else if (a == "--seams") {
            o->seams = value(&v) ? seamModeFromName(v.toStdString()) : std::nullopt;
            if (!o->seams) return "--seams needs middle or content";
        } else if (a == "--remap-timeout") {
            if (!value(&v) || !parseInt(v, 1, 1000000, &o->remapTimeout))
                return "--remap-timeout needs a number of seconds from 1 to 1000000";
        } else if (a == "--trim") {
            const QStringList parts = value(&v) ? v.split(':') : QStringList();
            Trim t{};
            if (parts.size() != 3 || !parseInt(parts[0], 0, 1 << 20, &t.camera) ||
                !parseInt(parts[1], 0, kSliderMax, &t.left) ||
                !parseInt(parts[2], 0, kSliderMax, &t.right))
                return QString(
                           "--trim needs CAM:L:R with a camera index and two values from 0 "
                           "to %1")
                    .arg(kSliderMax);
            o->trims.push_back(t);
        } else if (a == "--order") {
            if (!value(&v)) return "--order needs a comma-separated list of camera indices";
            std::vector<int> order;
            for (const QString& part : v.split(',')) {
                int n = 0;
                if (!parseInt(part.trimmed(), 0, 1 << 20, &n))
                    return QString("--order: '%1' is not a camera index").arg(part);
                order.push_back(n);
            }
            o->order = order;
        } else if (a.startsWith("-")) {
            return QString("unknown option '%1'").arg(a);
        } else if (o->project.isEmpty()) {
            o->project = a;
        } else {
            return QString("more than one project given ('%1' and '%2')").arg(o->project, a);
        }
    }
    if (o->project.isEmpty()) return "no project file given";
    if (!o->want2k && !o->want4k && !o->wantQuickWeave)
        o->want2k = o->want4k = o->wantQuickWeave = true;
    return QString();
}

int fail(const QString& message) {
    fprintf(stderr, "orvikjoint-cli: %s\n", message.toLocal8Bit().constData());
    return 1;
}

int run(Project& project, QCoreApplication& app);

}  // namespace

int main(int argc, char* argv[]) {
#ifdef SIGXFSZ
    // Beyond a file size limit (ulimit -f) a write fails like one to a full
    // disk, with the system's reason, and the unfinished file is removed;
    // the signal's default would end the process and leave it behind.
    signal(SIGXFSZ, SIG_IGN);
#endif
    Project project;
    QCoreApplication app(argc, argv);
    // Whatever a library throws (OpenCV on an image it cannot take, a failed
    // allocation) ends the run with its message, never with an abort.
    try {
        return run(project, app);
    } catch (const std::exception& e) {
        return fail(QString("stopped: %1").arg(e.what()));
    }
}

namespace {

int run(Project& project, QCoreApplication& app) {
    QStringList args = app.arguments().mid(1);
    if (args.contains("--version")) {
        printf("orvikjoint-cli %s\n", ORVIK_VERSION);
        return 0;
    }
    if (!args.isEmpty() && (args[0] == "inspect" || args[0] == "render")) {
        const bool inspect = args[0] == "inspect";
        if (args.contains("--help") || args.contains("-h")) {
            fputs(inspect ? kInspectUsage : kRenderUsage, stdout);
            return 0;
        }
        return inspect ? runInspect(args.mid(1), project) : runRender(args.mid(1), project);
    }
    if (args.contains("--help") || args.contains("-h")) {
        fputs(kUsage, stdout);
        return 0;
    }
    Options opt;
    CliSettings settings;
    QString usageError = takeSettingsOptions(&args, &settings);
    if (usageError.isEmpty()) usageError = parseArgs(args, &opt);
    if (!usageError.isEmpty()) {
        fprintf(stderr, "orvikjoint-cli: %s\n\n%s", usageError.toLocal8Bit().constData(), kUsage);
        return 2;
    }

    const QFileInfo pto(opt.project);
    const std::string notRegular = regularFileProblem(toLocal8BitString(opt.project));
    if (!notRegular.empty())
        return fail(
            QString("cannot read project file %1: %2").arg(opt.project, notRegular.c_str()));
    if (!pto.isReadable()) return fail(QString("cannot read project file %1").arg(opt.project));

    LoadOptions load;
    // Everything the command line sets is checked against the loaded project
    // before the long run.
    load.applySettings = [&](Project& p, const ProjectFileResult& read) -> QString {
        const int n = static_cast<int>(p.cameras.size());
        if (n == 0) return QString("%1 names no camera images").arg(opt.project);
        if (p.panoWidth <= 0 || p.panoHeight <= 0)
            return read.message.isEmpty() ? QString("%1 gives no panorama size").arg(opt.project)
                                          : read.message;
        const QString settingsError = applyCliSettings(settings, p);
        if (!settingsError.isEmpty()) return settingsError;
        if (opt.blend) p.blendValue = *opt.blend;
        if (opt.crop) p.cutValue = *opt.crop;
        for (const Trim& t : opt.trims) {
            if (t.camera >= n)
                return QString("--trim: camera %1 does not exist (the project has %2)")
                    .arg(t.camera)
                    .arg(n);
            p.cameras[static_cast<size_t>(t.camera)].dirL = t.left;
            p.cameras[static_cast<size_t>(t.camera)].dirR = t.right;
        }
        if (opt.order) {
            const std::set<int> seen(opt.order->begin(), opt.order->end());
            if (static_cast<int>(opt.order->size()) != n || static_cast<int>(seen.size()) != n ||
                *seen.rbegin() != n - 1)
                return QString("--order must list each camera index 0..%1 exactly once").arg(n - 1);
            p.drawOrder.assign(opt.order->begin(), opt.order->end());
        }
        if (opt.autoSeams) p.autoMode = true;
        if (opt.seams) {
            if (!p.autoMode)
                return "--seams places automatic seams: give --auto too (or settings that say "
                       "automatic)";
            p.seamMode = *opt.seams;
        }
        return QString();
    };
    int lastRemapped = -1;
    load.remap.remapProgress = [&](int done, int total) {
        if (done != lastRemapped) {
            printf("remapped %d/%d cameras\n", done, total);
            lastRemapped = done;
        }
        fflush(stdout);
    };
    load.remap.analysisProgress = [&](int done, int total) {
        printf("analysed camera %d/%d\n", done, total);
        fflush(stdout);
    };
    load.remap.timeoutSeconds = opt.remapTimeout;
    load.tables = {opt.want2k, opt.want4k, opt.wantQuickWeave};
    const LoadOutcome outcome = runLoadSequence(project, toLocal8BitString(opt.project), load);
    if (!outcome.settingsError.isEmpty()) return fail(outcome.settingsError);
    if (!outcome.limitError.isEmpty() || !outcome.memoryError.isEmpty()) {
        QString why = outcome.limitError;
        if (!outcome.memoryError.isEmpty())
            why += (why.isEmpty() ? "" : "\n") + outcome.memoryError;
        return fail(why + "\nnothing exported (no camera was remapped)");
    }
    const int n = static_cast<int>(project.cameras.size());
    // Every camera the tables would leave out, once, before anything is written.
    // In automatic mode the manual crops of the load are not what the export
    // uses: once the seams are placed, what they leave out counts; when they
    // fail, only what no tuning can mend (their failure says the rest).
    std::vector<CameraProblem> reported = outcome.leftOutByAnalysis;
    if (project.autoMode && !outcome.seamsFailed) {
        reported = outcome.leftOut;
    } else if (project.autoMode) {
        reported.erase(
            std::remove_if(
                reported.begin(), reported.end(),
                [&](const CameraProblem& c) {
                    return missingInputs(project.cameras[static_cast<size_t>(c.index)]).empty();
                }),
            reported.end());
    }
    for (const CameraProblem& c : reported) printf("%s\n", c.message().c_str());
    if (project.autoMode && !outcome.seamsFailed && outcome.camerasAnalysed)
        printf("automatic seams placed on %d of %d cameras\n",
               n - static_cast<int>(reported.size()), n);
    fflush(stdout);
    // A remapper failure is allowed past only for the cameras it left out, and
    // only when some camera is left to write (never when the run was ended).
    if (!outcome.remapperError.isEmpty()) {
        if (!opt.allowMissingCameras || !outcome.camerasAnalysed ||
            static_cast<int>(outcome.leftOutByAnalysis.size()) == n)
            return fail(outcome.remapperError);
        fprintf(stderr, "orvikjoint-cli: %s\n", toLocal8BitString(outcome.remapperError).c_str());
    }
    if (outcome.seamsFailed) {
        for (const CameraProblem& c : outcome.seamFailures) printf("%s\n", c.message().c_str());
        fflush(stdout);
        QString message = "automatic seams failed:";
        for (const CameraProblem& c : outcome.seamFailures)
            message += "\n  " + QString::fromStdString(c.message());
        return fail(message +
                    "\nexport without --auto (with --manual if the settings say "
                    "automatic) and set blend and crop by hand");
    }
    const std::vector<CameraProblem>& leftOut = outcome.leftOut;
    if (!leftOut.empty() && !opt.allowMissingCameras) {
        QString message;
        for (const CameraProblem& c : leftOut)
            message += QString::fromStdString(c.message()) + "\n";
        return fail(message +
                    "no table written: the tables would not hold every camera "
                    "(--allow-missing-cameras writes them without these cameras)");
    }
    // What the cameras see must reach the tables: a table that leaves it black
    // is no success either.
    const CoverageReport coverage = measureCoverage(project);
    if (coverage.hasHoles()) {
        const QString holes =
            QString::fromStdString(describeHoles(coverage) + "\n" + holesCause(project, coverage));
        if (!opt.allowHoles)
            return fail(holes +
                        "\nno table written: the tables would have holes (--allow-holes writes "
                        "them anyway)");
        fprintf(stderr, "orvikjoint-cli: warning: the tables have holes: %s\n",
                holes.toLocal8Bit().constData());
    }

    // Measured while the remapped layers are there; told after the tables.
    const std::vector<SeamReport> seamReports = measureSeams(project);

    // The seams are placed and nothing recomputes them from here on; the
    // exporters read the maps and display images but never the remapped
    // layers, which at panorama size would hold a quarter of the memory.
    for (Camara& cam : project.cameras) {
        cam.image.release();
        cam.displayCache.clear();  // it holds the layer too, for the next refresh
    }

    // The tables form one set: each is written completely, and only when
    // every one is complete are they put in place, one right after the other;
    // then the settings that describe them are saved.
    struct Job {
        bool wanted;
        ExportResult (*run)(const Project&, TableBatch*);
        const char* fileName;
    };
    const Job jobs[] = {{opt.want2k, &exportCamera2K, kCamera2KFileName},
                        {opt.want4k, &exportCamera4K, kCamera4KFileName},
                        {opt.wantQuickWeave, &exportQuickWeave, kQuickWeaveFileName}};
    TableBatch batch;
    for (const Job& job : jobs) {
        if (!job.wanted) continue;
        const ExportResult r = job.run(project, &batch);
        fflush(stdout);
        if (r.written()) continue;
        // Only promise that earlier tables survive where there were some.
        bool earlier = false;
        for (const Job& j : jobs)
            earlier = earlier || (j.wanted && QFileInfo::exists(QString::fromLocal8Bit(
                                                  (project.projectDir + j.fileName).c_str())));
        return fail(QString("%1\nno table replaced%2")
                        .arg(r.message.empty() ? "export wrote nothing" : r.message.c_str(),
                             earlier ? ": the earlier tables are as they were" : ""));
    }
    std::vector<std::string> written;
    const ExportResult put = batch.commit(written);
    for (const std::string& path : written) printf("wrote %s\n", path.c_str());
    fflush(stdout);
    if (!put.written()) return fail(QString::fromStdString(put.message));
    for (const SeamReport& seam : seamReports) printf("%s\n", seamReportLine(seam).c_str());
    fflush(stdout);
    if (saveCliSettings(settings, project)) return 0;
    // The tables are in place already; the operator must know the settings
    // file beside them still describes the earlier export.
    return fail(
        "the tables above were written, but the settings file still describes the "
        "earlier export");
}

}  // namespace
