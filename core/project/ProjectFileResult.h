// What reading a project file came to, handed back as a value in the shape of
// ExportResult: a status and why.
#pragma once

#include <QString>

struct ProjectFileResult {
    enum class Status {
        Read,    // the file's cameras, size and paths are in the project (a file
                 // that cannot be opened gives no cameras and a size of 0)
        NoPath,  // no path was given: nothing changed
        NoSize,  // cameras and paths are in the project, but the panorama size
                 // is unusable and left at 0
    };
    Status status = Status::Read;
    QString message;  // for NoSize: "file:line: what is wrong with the panorama size"

    bool ok() const { return status == Status::Read; }
};
