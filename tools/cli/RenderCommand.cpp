// `render TABLE --project P.pto -o OUT.png [--diff REFERENCE.png]`: the device
// view of a table, and how far it is from a reference picture.
#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <cstdio>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "ProjectSight.h"
#include "TableCommands.h"
#include "export/PanoramaCoverage.h"
#include "file/InputFile.h"
#include "project/PtoReader.h"
#include "remap/ImageSize.h"
#include "tables/TableFile.h"

const char kRenderUsage[] =
    "Usage: orvikjoint-cli render TABLE --project PROJECT.pto -o OUT.png [--diff REFERENCE.png]\n"
    "\n"
    "Renders what the stitching device shows for TABLE from the camera images named\n"
    "in PROJECT.pto (the device reads each camera's positions from the table and\n"
    "blends the cameras with the table's weights, normalised by their sum; pixels\n"
    "without weight stay black), and checks the table against what the cameras\n"
    "see, as inspect --project does. --diff also prints the PSNR against\n"
    "REFERENCE.png over the pixels the table covers, beside the share of the\n"
    "reference's pixels the cameras see that the table leaves black, and writes the\n"
    "difference, four times amplified, to OUT-diff.png.\n"
    "\n"
    "Exit code 0 when the view was written from a sound table without holes, 1\n"
    "otherwise.\n";

namespace {

struct RenderOptions {
    QString table, project, out, reference;
};

QString parse(const QStringList& args, RenderOptions* o) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString* target = a == "--project" ? &o->project
                          : a == "-o"      ? &o->out
                          : a == "--diff"  ? &o->reference
                                           : nullptr;
        if (target) {
            if (i + 1 >= args.size()) return a + " needs a file";
            *target = args[++i];
        } else if (a.startsWith("-")) {
            return QString("unknown option '%1'").arg(a);
        } else if (o->table.isEmpty()) {
            o->table = a;
        } else {
            return "more than one table given";
        }
    }
    if (o->table.isEmpty()) return "no table given";
    if (o->project.isEmpty()) return "--project is required";
    if (o->out.isEmpty()) return "-o is required";
    if (QFileInfo(o->out).isDir())
        return QString("-o %1 is a folder: give the name of an image file, e.g. out.png")
            .arg(o->out);
    if (!cv::haveImageWriter(o->out.toLocal8Bit().toStdString()))
        return QString("-o %1: no image format goes by that name's ending (use .png)").arg(o->out);
    return QString();
}

std::string local(const QString& s) {
    return s.toLocal8Bit().toStdString();
}

// The name as a message quotes it.
QString shown(const std::string& name) {
    return QString::fromLocal8Bit(shortenedName(name).c_str());
}

// Empty when `path` is a regular file; otherwise the failure to report.
QString unreadable(const std::string& path) {
    const std::string why = regularFileProblem(path);
    return why.empty() ? QString() : QString("cannot read %1: %2").arg(shown(path), why.c_str());
}

// An image through OpenCV, which throws on what it cannot take (a header
// beyond its pixel limit, a failed allocation): empty with `error` set then.
cv::Mat readPicture(const std::string& path, QString& error) {
    error = unreadable(path);
    if (!error.isEmpty()) return cv::Mat();
    cv::Mat image;
    try {
        image = cv::imread(path, cv::IMREAD_COLOR);
    } catch (const cv::Exception& e) {
        error =
            QString("cannot read %1: OpenCV cannot decode it (%2)").arg(shown(path), e.err.c_str());
        return cv::Mat();
    }
    if (image.empty()) error = QString("cannot read %1").arg(shown(path));
    return image;
}

// False when OpenCV cannot write `image` to `path` (a folder, a full disk).
bool writePicture(const std::string& path, const cv::Mat& image) {
    try {
        return cv::imwrite(path, image);
    } catch (const cv::Exception&) {
        return false;
    }
}

// Why nothing could be written to `path`, checked before the work: the folder
// to put it in does not exist.
QString outputProblem(const QString& path) {
    const QFileInfo fi(path);
    if (!fi.absoluteDir().exists())
        return QString("cannot write %1: folder %2 does not exist").arg(path, fi.absolutePath());
    return QString();
}

QString diffPath(const QString& out) {
    const QFileInfo fi(out);
    return fi.path() + "/" + fi.completeBaseName() + "-diff.png";
}

}  // namespace

int runRender(const QStringList& args, Project& project) {
    RenderOptions o;
    const QString usage = parse(args, &o);
    if (!usage.isEmpty()) return reportFailure(usage + "\n\n" + kRenderUsage, 2);

    if (const QString bad = outputProblem(o.out); !bad.isEmpty()) return reportFailure(bad);
    // The reference too, before the work that would write OUT.png.
    if (!o.reference.isEmpty()) {
        if (const QString bad = unreadable(local(o.reference)); !bad.isEmpty())
            return reportFailure(bad);
    }
    const TableFile t = readTableFile(local(o.table));
    if (!t.error.empty()) return reportFailure(QString::fromLocal8Bit(t.error.c_str()));
    if (!t.readable())
        return reportFailure(
            QString("%1 is not a readable table (%2)")
                .arg(o.table, t.violations().list().empty()
                                  ? QString()
                                  : QString::fromStdString(t.violations().list()[0].message)));
    if (const std::string why = t.viewProblem(); !why.empty())
        return reportFailure(QString("%1: %2").arg(o.table, why.c_str()));
    if (const QString bad = unreadable(local(o.project)); !bad.isEmpty()) return reportFailure(bad);
    const PtoReader pto(local(o.project));
    if (pto.imageCount() != t.N())
        return reportFailure(QString("%1 names %2 camera images, the table has %3 cameras")
                                 .arg(o.project)
                                 .arg(pto.imageCount())
                                 .arg(t.N()));
    // Sizes from the headers first, and the remapper's view of the project
    // before any frame is decoded: it refuses a truncated or oversized image
    // cheaply, where decoding it whole could take gigabytes first.
    for (int c = 0; c < pto.imageCount(); ++c) {
        std::string problem;
        const cv::Size size = imageFileSize(pto.imageFile(c), &problem);
        if (size.empty()) {
            const QString why =
                problem.empty()
                    ? QString("cannot read %1").arg(shown(pto.imageFile(c)))
                    : QString("cannot read %1: %2").arg(shown(pto.imageFile(c)), problem.c_str());
            return reportFailure(QString("camera %1: %2").arg(c).arg(why));
        }
        if (c == 0 && t.device &&
            (size.width != t.device->sourceWidth0 || size.height != t.device->sourceHeight0))
            return reportFailure(
                QString("camera 0's image is %1 x %2, the table was made for %3 x %4")
                    .arg(size.width)
                    .arg(size.height)
                    .arg(t.device->sourceWidth0)
                    .arg(t.device->sourceHeight0));
    }

    const ProjectSight sight = loadProjectSight(project, o.project, t);
    if (!sight.error.isEmpty()) return reportFailure(sight.error);
    std::vector<cv::Mat> frames;
    for (int c = 0; c < pto.imageCount(); ++c) {
        QString error;
        cv::Mat f = readPicture(pto.imageFile(c), error);
        if (f.empty()) return reportFailure(QString("camera %1: %2").arg(c).arg(error));
        frames.push_back(f);
    }
    std::vector<cv::Size> sizes;
    for (const cv::Mat& f : frames) sizes.push_back(f.size());
    const cv::Mat shown = t.reach(sizes).covered;

    const DeviceView view = t.render(frames);
    if (!writePicture(local(o.out), view.image))
        return reportFailure(QString("cannot write %1").arg(o.out));
    printf("wrote %s (%d x %d)\n", local(o.out).c_str(), view.image.cols, view.image.rows);
    const CoverageReport coverage = measureCoverage(sight.seen, shown);
    fputs(coverageLines(coverage, QFileInfo(o.project).fileName()).toLocal8Bit().constData(),
          stdout);

    int code = 0;
    if (!t.valid()) {
        code = reportFailure(QString("%1 has %2 violations; run inspect for the list")
                                 .arg(o.table)
                                 .arg(static_cast<qulonglong>(t.violations().total())));
    }
    if (coverage.hasHoles())
        code = reportFailure(QString("%1 has holes in what the cameras see").arg(o.table));
    if (o.reference.isEmpty()) return code;
    QString refError;
    const cv::Mat ref = readPicture(local(o.reference), refError);
    if (ref.empty()) return reportFailure(refError);
    if (ref.size() != view.image.size())
        return reportFailure(QString("%1 is %2 x %3, the panorama %4 x %5")
                                 .arg(o.reference)
                                 .arg(ref.cols)
                                 .arg(ref.rows)
                                 .arg(view.image.cols)
                                 .arg(view.image.rows));
    const double db = maskedPsnr(view.image, ref, view.covered);
    const double share = 100.0 * cv::countNonZero(view.covered) / view.covered.total();
    // Only covered pixels count in the PSNR, so a table with holes can score
    // well: the share it leaves black says what the figure leaves out.
    cv::Mat referenced;
    cv::cvtColor(ref, referenced, cv::COLOR_BGR2GRAY);
    referenced = (referenced != 0) & (sight.seen.depth() != 0);
    const int there = cv::countNonZero(referenced);
    const int black = cv::countNonZero(referenced & (shown == 0));
    printf(
        "PSNR %.2f dB over the covered pixels (%.2f%% of the panorama); black: %.2f%% of the "
        "reference's pixels the cameras see\n",
        db, share, there ? 100.0 * black / there : 0.0);
    cv::Mat diff;
    cv::absdiff(view.image, ref, diff);
    diff *= 4;
    diff.setTo(cv::Scalar::all(0), view.covered == 0);
    if (!writePicture(local(diffPath(o.out)), diff))
        return reportFailure(QString("cannot write %1").arg(diffPath(o.out)));
    printf("wrote %s\n", local(diffPath(o.out)).c_str());
    return code;
}
