#include "LoadProgressDialog.h"

#include <QCoreApplication>
#include <algorithm>

LoadProgressDialog::LoadProgressDialog(QWidget* parent, int cameraCount)
    : QProgressDialog(parent), cameras(std::max(cameraCount, 0)) {
    setObjectName(QString::fromUtf8("LoadProgressDialog"));
    setWindowTitle(QCoreApplication::translate("LoadProgressDialog", "打开方案", nullptr));
    // The remapper run can be cancelled (it is ended and its work folder removed);
    // the analysis that follows is short and runs to its end.
    setCancelButtonText(QCoreApplication::translate("LoadProgressDialog", "取消", nullptr));
    setWindowModality(Qt::ApplicationModal);
    setMinimumDuration(0);
    setAutoClose(false);
    setAutoReset(false);
    // Each camera counts once while it is remapped and once while it is analysed.
    setRange(0, 2 * cameras);
    remapperProgress(0, cameras);
    show();
    QCoreApplication::processEvents();
}

void LoadProgressDialog::remapperProgress(int done, int total) {
    const int count = std::clamp(done, 0, std::max(total, 0));
    setLabelText(QCoreApplication::translate("LoadProgressDialog", "正在重映射相机 %1/%2", nullptr)
                     .arg(count)
                     .arg(total));
    if (total > 0) setValue(count * cameras / total);
    QCoreApplication::processEvents();
}

void LoadProgressDialog::analysisProgress(int done, int total) {
    if (!analysing) setCancelButton(nullptr);
    analysing = true;
    const int count = std::clamp(done, 0, std::max(total, 0));
    setLabelText(QCoreApplication::translate("LoadProgressDialog", "正在分析相机 %1/%2", nullptr)
                     .arg(count)
                     .arg(total));
    if (total > 0) setValue(cameras + count * cameras / total);
    QCoreApplication::processEvents();
}

void LoadProgressDialog::finish() {
    setValue(maximum());
    close();
}
