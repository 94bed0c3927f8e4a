// Where the operator reads what went wrong without a console: the problems the
// core reports (a remapper that did not run, an input that cannot be read, a
// table that failed) and the cameras a table leaves out, newest first in the
// messages dock, the latest also in the status bar. Installed as the core's
// reporter for its lifetime; every byte still reaches the reporter it replaced
// (the console), unchanged and in the same order.
#pragma once

#include <QObject>
#include <QString>

#include "system/Reporter.h"

class QListWidget;
class QStatusBar;

class MessageLog : public QObject, public Reporter {
    Q_OBJECT
public:
    // Neither widget is owned; both must outlive the log.
    MessageLog(QListWidget* list, QStatusBar* status);
    ~MessageLog() override;
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    void text(std::string_view bytes) override;
    void flush() override;
    // From any thread; the dock is updated on the GUI thread.
    void problem(std::string_view line) override;

    // A message of the window's own, on top of the list; `showInStatusBar` is
    // false where the caller composes the status bar itself. The same message
    // twice in a row is kept once, with a count.
    void add(const QString& message, bool showInStatusBar = true);

private:
    // The reporter this one replaced; the console when none was installed.
    Reporter& next() { return previous ? *previous : console; }

    QListWidget* list;
    QStatusBar* status;
    Reporter* previous;
    ConsoleReporter console;
};
