#include "remap/RemapScript.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegExp>
#include <QStringList>
#include <cstring>

#include "file/InputFile.h"
#include "file/Local8Bit.h"
#include "file/RemapOutputNames.h"

namespace {

const QString kRemapOptions =
    QString("-c -z LZW -r ldr -m TIFF_m -o \"%1\" -i").arg(kRemapOutputPrefix);

// The script announces each camera before its remapper starts, so that a run
// ended by a time limit can name the camera it was stuck on.
const char kCameraMark[] = "orvikjoint: remapping camera ";

#ifndef Q_OS_WIN
// Single quotes keep blanks, $, ` and \ literal; a quote itself is closed,
// escaped and reopened.
QString shellQuote(const QString& text) {
    QString quoted = text;
    quoted.replace("'", "'\\''");
    return "'" + quoted + "'";
}
#endif

QStringList outputLines(const QByteArray& output) {
    return QString::fromLocal8Bit(output).split(QRegExp("[\r\n]"), Qt::SkipEmptyParts);
}

}  // namespace

QString remapperProgram() {
#ifdef Q_OS_WIN
    return QCoreApplication::applicationDirPath() + "\\nona2.exe";
#else
    return QCoreApplication::applicationDirPath() + "/nona2";
#endif
}

QString writeRemapBatch(const QString& workFolder, int count, const QString& ptoPath,
                        const QString& remapper) {
    if (!QDir(workFolder).exists()) QDir().mkdir(workFolder);
#ifdef Q_OS_WIN
    const QString path = QString("%1/nona.bat").arg(workFolder);
    QString text = QString("set var=\"%1\"\r\n").arg(remapper);
    for (int i = 0; i < count; ++i)
        text += QString("%var% %1 %2 \"%3\"\r\n").arg(kRemapOptions).arg(i).arg(ptoPath);
#else
    const QString path = QString("%1/nona.sh").arg(workFolder);
    // Every camera is tried, as a batch file would; the script fails if any did.
    QString text = QString("var=%1\nstatus=0\n").arg(shellQuote(remapper));
    for (int i = 0; i < count; ++i)
        text += QString("echo '%1%2'\n\"$var\" %3 %2 %4 || status=$?\n")
                    .arg(kCameraMark)
                    .arg(i)
                    .arg(kRemapOptions)
                    .arg(shellQuote(ptoPath));
    text += "exit $status\n";
#endif
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return QString();
    const QByteArray bytes = text.toLocal8Bit();
    if (file.write(bytes) != bytes.size()) return QString();
    file.close();
    return path;
}

QString writeRemapBatch(const QString& workFolder, int count, const QString& ptoPath) {
    return writeRemapBatch(workFolder, count, ptoPath, remapperProgram());
}

QString lastRemapperLine(const QByteArray& output) {
    // The script's own announcements are not the remapper's words.
    QStringList lines = outputLines(output);
    while (!lines.isEmpty() && lines.last().startsWith(kCameraMark)) lines.removeLast();
    if (lines.isEmpty()) return QString();
    return QString::fromLocal8Bit(
        shortenedName(toLocal8BitString(lines.last().trimmed()), 1000).c_str());
}

int announcedCamera(const QByteArray& output) {
    const QStringList lines = outputLines(output);
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        if (!it->startsWith(kCameraMark)) continue;
        bool ok = false;
        const int camera = it->mid(static_cast<int>(strlen(kCameraMark))).trimmed().toInt(&ok);
        return ok ? camera : -1;
    }
    return -1;
}
