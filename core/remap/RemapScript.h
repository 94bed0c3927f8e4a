// The script that runs the remapper once per camera, and what its output
// says: which camera it announced last, and the remapper's last words.
#pragma once

#include <QByteArray>
#include <QString>

// The remapper beside the tool's own executable: "<app dir>/nona2" (on Windows
// "<app dir>\nona2.exe"). Needs a QCoreApplication.
QString remapperProgram();

// Writes the script that runs `remapper` once per camera (index order) with
// "-c -z LZW -r ldr -m TIFF_m -o pic -i <i> <ptoPath>" into `workFolder` (created
// one level deep when missing) and returns its path: "nona.bat" on Windows,
// "nona.sh" (POSIX shell, every path quoted) elsewhere. Returns an empty string
// when the script cannot be written.
QString writeRemapBatch(const QString& workFolder, int count, const QString& ptoPath,
                        const QString& remapper);
QString writeRemapBatch(const QString& workFolder, int count, const QString& ptoPath);

// Of the output of a script run (remapper and script lines merged): the last
// non-empty line the remapper printed, shortened (it may quote a file name),
// empty when there is none.
QString lastRemapperLine(const QByteArray& output);
// The camera the script announced last, -1 when it announced none.
int announcedCamera(const QByteArray& output);
