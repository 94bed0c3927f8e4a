#include "tables/ProjectDeviceView.h"

#include <QFileInfo>
#include <QString>
#include <future>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "export/Camera2KExport.h"
#include "project/Project.h"
#include "tables/DeviceView.h"

cv::Mat deviceFrame(const cv::Mat& image) {
    if (image.empty()) return cv::Mat();
    cv::Mat eight = image;
    if (image.depth() == CV_16U)
        image.convertTo(eight, CV_8U, 1.0 / 257.0);
    else if (image.depth() != CV_8U)
        return cv::Mat();
    cv::Mat bgr;
    switch (eight.channels()) {
        case 3:
            return eight;
        case 1:
            cv::cvtColor(eight, bgr, cv::COLOR_GRAY2BGR);
            return bgr;
        case 4:
            cv::cvtColor(eight, bgr, cv::COLOR_BGRA2BGR);
            return bgr;
        default:
            return cv::Mat();
    }
}

namespace {

void renderTable(const Project& project, ProjectDeviceView& view) {
    // The loader keeps only the frames' sizes: the frames are read here, on
    // threads of their own while the table is built.
    std::vector<std::future<cv::Mat>> reading;
    for (const Camara& camera : project.cameras)
        reading.push_back(std::async(std::launch::async, [path = camera.sourcePath] {
            if (!QFileInfo::exists(QString::fromLocal8Bit(path.c_str()))) return cv::Mat();
            return deviceFrame(cv::imread(path, cv::IMREAD_UNCHANGED));
        }));
    DeviceTable table;
    {
        QByteArray bytes;
        view.table = buildCamera2KTable(project, bytes);
        if (!view.table.written()) return;
        table = readDeviceTable(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                static_cast<size_t>(bytes.size()), TableFormat::Camera2K);
    }
    const std::string path = view.table.path;
    // The exporter's own table must read back cleanly: one that does not would
    // show the device's trouble only once it is flashed.
    if (!table.valid()) {
        const std::string why = table.violations.list().empty()
                                    ? std::string("unreadable")
                                    : table.violations.list()[0].message;
        view.table =
            ExportResult::failed(path, path + " (built in memory) does not read back: " + why);
        if (!table.readable) return;
    }
    if (const std::string why = viewProblem(table); !why.empty()) {
        view.table = ExportResult::failed(path, path + ": " + why);
        return;
    }
    std::vector<cv::Mat> frames;
    for (auto& f : reading) frames.push_back(f.get());
    view.image = renderDeviceView(table, frames).image;
}

}  // namespace

ProjectDeviceView renderProjectDeviceView(const Project& project) {
    ProjectDeviceView view;
    try {
        renderTable(project, view);
    } catch (const std::exception& e) {
        // Reading and rendering hold the table twice over and a picture per
        // camera; a rig too large for memory gets a message, not a crash.
        const std::string path = view.table.path;
        view.image.release();
        view.table =
            ExportResult::failed(path, path + ": the device view cannot be shown: " + e.what());
    }
    return view;
}
