// What a remapper run came to, handed back as a value in the shape of
// ExportResult: a status, why, and the camera an ended run was on.
#pragma once

#include <QString>

struct RemapResult {
    enum class Status {
        Done,    // every camera was remapped, loaded and analysed
        Failed,  // every camera was loaded and analysed, but the remapper failed
                 // for some or a layer was refused; those cameras are empty
        NotRun,  // the remapper never started or was ended (time limit, cancel,
                 // signal): no camera was loaded
    };
    Status status = Status::Done;
    QString message;     // why (program and reason); empty when Done
    int stoppedAt = -1;  // the camera an ended run was working on, -1 otherwise

    bool ok() const { return status == Status::Done; }
    bool analysed() const { return status != Status::NotRun; }
};
