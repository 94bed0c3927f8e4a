// The completion notice that ends every export that wrote its table, and the
// console line before it.
#pragma once

#include <QString>
#include <functional>

#include "export/ExportResult.h"

// Text "方案输出完毕" of the completion notice.
QString exportDoneText();

// The notice shown after a table was written. The core has no widgets: the
// window installs a handler (an information box of its own with a default Ok
// button); without one a line break and exportDoneText() are printed. Passing an empty function
// restores the printing default.
using ExportDoneHandler = std::function<void()>;
void setExportDoneHandler(ExportDoneHandler handler);
void showExportDone();
// The end of every export: once `result` says the table is in place, prints
// "Export <fileName> OK." (no line end) and shows the notice; returns `result`.
ExportResult finishExport(ExportResult result, const char* fileName);
