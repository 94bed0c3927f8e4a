// Shared set-up of the export tests: a project in a scratch
// folder, the console output of one export, and a completion-notice counter.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <string>
#include <vector>

#include "FileBytes.h"
#include "RecordingReporter.h"
#include "SyntheticCamera.h"
#include "export/ExportDone.h"
#include "export/ExportResult.h"
#include "project/Project.h"

namespace testsupport {

struct ExportRun {
    ExportResult result;
    std::string console;
};

class ExportFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setExportDoneHandler([this] { ++noticesShown; });
    }
    void TearDown() override { setExportDoneHandler({}); }

    std::string folder() const { return dir.path().toStdString() + "/"; }
    std::string file(const std::string& name) const { return folder() + name; }

    void rig(int W, int H, const std::vector<CameraSpec>& specs, std::vector<int> order = {}) {
        setRig(project, W, H, specs, folder(), std::move(order));
    }

    template <typename Export>
    ExportRun runExport(Export exportFn) {
        RecordingReporter console;
        ExportRun r;
        r.result = exportFn(project);
        r.console = console.take();
        return r;
    }

    void writeFile(const std::string& name, const std::string& bytes) const {
        std::ofstream(file(name), std::ios::binary) << bytes;
    }
    std::string readText(const std::string& name) const {
        const std::vector<uint8_t> b = readFileBytes(file(name));
        return std::string(b.begin(), b.end());
    }
    // Files in the folder, temporary ones included.
    QStringList entries() const {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    QTemporaryDir dir;
    Project project;
    int noticesShown = 0;
};

}  // namespace testsupport
