// The outcome of an export, returned as a value so that the window can show a
// warning and the command line can choose its exit code.
#pragma once

#include <string>

struct ExportResult {
    enum class Status {
        Written,          // the table was written completely and is in place
        NothingToExport,  // no panorama or no camera: nothing was written
        Failed,           // the export stopped; any previous table is untouched
    };
    Status status = Status::Written;
    std::string path;     // the table's path (local 8-bit); empty when none was attempted
    std::string message;  // why it stopped, UTF-8, no line end; empty for a silent stop

    bool written() const { return status == Status::Written; }

    static ExportResult done(std::string path) {
        return {Status::Written, std::move(path), std::string()};
    }
    static ExportResult nothing(std::string message = std::string()) {
        return {Status::NothingToExport, std::string(), std::move(message)};
    }
    static ExportResult failed(std::string path, std::string message) {
        return {Status::Failed, std::move(path), std::move(message)};
    }
};

// Reports `fmt` formatted exactly as given (the console line of the failure,
// including its "\r\n" if it has one) to the installed reporter, hands it on as a problem
// (without its line end), and returns a Failed result
// carrying the same text without its line end. Format exporters use it for their messages.
ExportResult failExport(const std::string& path, const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
