#include "ProjectSight.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include "export/HoleReport.h"
#include "file/InputFile.h"
#include "file/Local8Bit.h"
#include "load/LoadSequence.h"
#include "project/Project.h"
#include "system/Reporter.h"
#include "tables/TableFile.h"

namespace {

// Keeps the load's console lines to itself, and its problems for the error.
class QuietReporter : public Reporter {
public:
    void text(std::string_view) override {}
    void problem(std::string_view line) override {
        if (problems.isEmpty()) problems = QString::fromLocal8Bit(line.data(), int(line.size()));
    }
    QString problems;
};

}  // namespace

ProjectSight loadProjectSight(Project& project, const QString& pto, const TableFile& table) {
    ProjectSight sight;
    const std::string notRegular = regularFileProblem(toLocal8BitString(pto));
    if (!notRegular.empty()) {
        sight.error = QString("cannot read project file %1: %2").arg(pto, notRegular.c_str());
        return sight;
    }
    QTemporaryDir work;
    if (!work.isValid()) {
        sight.error = QString("cannot create a work folder: %1").arg(work.errorString());
        return sight;
    }
    QuietReporter quiet;
    const ScopedReporter scope(quiet);
    LoadOptions options;
    options.applySettings = [&](Project& p, const ProjectFileResult& read) -> QString {
        if (p.panoWidth <= 0 || p.panoHeight <= 0)
            return read.message.isEmpty() ? QString("%1 gives no panorama size").arg(pto)
                                          : read.message;
        if (p.panoWidth != table.W() || p.panoHeight != table.H())
            return QString("%1 is a %2 x %3 panorama, the table %4 x %5")
                .arg(pto)
                .arg(p.panoWidth)
                .arg(p.panoHeight)
                .arg(table.W())
                .arg(table.H());
        if (static_cast<int>(p.cameras.size()) != table.N())
            return QString("%1 names %2 camera images, the table has %3 cameras")
                .arg(pto)
                .arg(p.cameras.size())
                .arg(table.N());
        p.useWorkFolder(work.path() + "/tiff");
        return QString();
    };
    options.remap.timeoutSeconds = 600;
    const LoadOutcome outcome = runLoadSequence(project, toLocal8BitString(pto), options);
    if (!outcome.settingsError.isEmpty())
        sight.error = outcome.settingsError;
    else if (!outcome.memoryError.isEmpty())
        sight.error = outcome.memoryError;
    else if (!outcome.remapperError.isEmpty())
        sight.error = outcome.remapperError;
    else
        sight.seen = seenArea(project);
    return sight;
}

std::vector<cv::Size> sourceSizes(const Project& project) {
    std::vector<cv::Size> sizes;
    for (const Camara& cam : project.cameras) sizes.push_back(cam.sourceSize);
    return sizes;
}

QString coverageLines(const CoverageReport& report, const QString& source) {
    QString text = QString("what the cameras see (%1): %2 pixels, %3 (%4%) without weight\n")
                       .arg(source)
                       .arg(report.seen)
                       .arg(report.uncovered)
                       .arg(report.uncoveredPercent(), 0, 'f', 2);
    if (report.hasHoles())
        return text + "the table has holes: " + QString::fromStdString(describeHoles(report)) +
               "\n";
    if (report.uncovered)
        return text + "no holes in it (the pixels without weight lie on its fringe)\n";
    return text + "no holes in it\n";
}
