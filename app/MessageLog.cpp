#include "MessageLog.h"

#include <QListWidget>
#include <QMetaObject>
#include <QStatusBar>
#include <QThread>
#include <QTime>

namespace {

// A long export with a broken camera can repeat one line very often; the
// list keeps the newest entries only.
constexpr int kMaxEntries = 1000;
constexpr int kMessageRole = Qt::UserRole;
constexpr int kCountRole = Qt::UserRole + 1;

}  // namespace

MessageLog::MessageLog(QListWidget* list_, QStatusBar* status_)
    : list(list_), status(status_), previous(installReporter(this)) {}

MessageLog::~MessageLog() {
    installReporter(previous);
}

void MessageLog::text(std::string_view bytes) {
    next().text(bytes);
}

void MessageLog::flush() {
    next().flush();
}

void MessageLog::problem(std::string_view line) {
    next().problem(line);
    // The core writes file paths in the local 8-bit encoding.
    const QString message =
        QString::fromLocal8Bit(line.data(), static_cast<int>(line.size())).trimmed();
    if (message.isEmpty()) return;
    if (QThread::currentThread() == thread())
        add(message);
    else
        QMetaObject::invokeMethod(
            this, [this, message] { add(message); }, Qt::QueuedConnection);
}

void MessageLog::add(const QString& message, bool showInStatusBar) {
    if (showInStatusBar && status) status->showMessage(message);
    if (!list) return;
    QListWidgetItem* top = list->item(0);
    if (top && top->data(kMessageRole).toString() == message) {
        const int count = top->data(kCountRole).toInt() + 1;
        top->setData(kCountRole, count);
        top->setText(QString("%1  %2 (x%3)")
                         .arg(QTime::currentTime().toString("HH:mm:ss"), message)
                         .arg(count));
        return;
    }
    auto* item = new QListWidgetItem(
        QString("%1  %2").arg(QTime::currentTime().toString("HH:mm:ss"), message));
    // Paths make lines longer than the dock; the tip shows the whole of one.
    item->setToolTip(message);
    item->setData(kMessageRole, message);
    item->setData(kCountRole, 1);
    list->insertItem(0, item);
    while (list->count() > kMaxEntries) delete list->takeItem(list->count() - 1);
}
