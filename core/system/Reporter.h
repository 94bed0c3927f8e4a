// Where the core's console lines go. Library code never prints: it hands each
// line, byte for byte, to the reporter the front end installed, and the front
// end decides where the bytes end up (the console, a log, a test's record).
// Where a core header says a function "prints" a line, it goes here.
#pragma once

#include <string>
#include <string_view>

class Reporter {
public:
    virtual ~Reporter() = default;
    // Console text exactly as it is to appear, "\r\n" and all; a call may hold
    // part of a line or several lines. Called from the exporters' section
    // threads too, so implementations take their own lock.
    virtual void text(std::string_view bytes) = 0;
    // The text so far belongs on the console now (before a box, a child
    // process or a long step); a reporter that keeps no buffer ignores it.
    virtual void flush() {}
    // A line that tells the operator something went wrong (a remapper that did
    // not run, an input that cannot be read), UTF-8 or local 8-bit as the
    // console got it, without its line end. Its console bytes have already
    // gone through text(); a front end that shows problems where the operator
    // looks takes them from here. Called from worker threads too.
    virtual void problem(std::string_view line) { (void)line; }
};

// Writes to stdout through stdio, flushing where asked: what the tool has
// always printed, in the same chunks.
class ConsoleReporter : public Reporter {
public:
    void text(std::string_view bytes) override;
    void flush() override;
};

// The installed reporter; a ConsoleReporter until one is installed.
Reporter& reporter();
// Installs `r` (not owned; nullptr restores the console) and returns the
// previous one.
Reporter* installReporter(Reporter* r);

// Installs a reporter for the lifetime of the scope.
class ScopedReporter {
public:
    explicit ScopedReporter(Reporter& r) : previous_(installReporter(&r)) {}
    ~ScopedReporter() { installReporter(previous_); }
    ScopedReporter(const ScopedReporter&) = delete;
    ScopedReporter& operator=(const ScopedReporter&) = delete;

private:
    Reporter* previous_;
};

// printf-style text to the installed reporter.
void reportf(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// As reportf, and the formatted text (line end removed) also goes to problem().
void reportProblemf(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
void reportFlush();
