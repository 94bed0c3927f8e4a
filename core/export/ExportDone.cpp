#include "export/ExportDone.h"

#include <cstdio>

#include "system/Reporter.h"

QString exportDoneText() {
    return QString::fromUtf16(u"\u65B9\u6848\u8F93\u51FA\u5B8C\u6BD5");  // 方案输出完毕
}

namespace {
ExportDoneHandler& exportDoneHandler() {
    static ExportDoneHandler handler;
    return handler;
}
}  // namespace

void setExportDoneHandler(ExportDoneHandler handler) {
    exportDoneHandler() = std::move(handler);
}

ExportResult finishExport(ExportResult result, const char* fileName) {
    if (!result.written()) return result;
    reportf("Export %s OK.", fileName);
    reportFlush();
    showExportDone();
    return result;
}

void showExportDone() {
    if (exportDoneHandler()) {
        exportDoneHandler()();
        return;
    }
    // Headless: end the format's OK line, then the notice.
    reportf("\r\n%s\r\n", exportDoneText().toLocal8Bit().constData());
    reportFlush();
}
