// A file that appears under its name only when it is complete, for writers
// with or without Qt (the remapper links neither Qt nor a large library, as it
// is started once per camera).
#pragma once

#include <string>

// Content is written, by whatever means the caller likes, to temporary() — a
// name beside the target — and commit() renames it over the target in one
// step, so a reader sees either the old file or the whole new one. Destroyed
// without a successful commit, the object removes the temporary file and the
// target stays exactly as it was.
class AtomicReplace {
public:
    // Temporary names are the target's name, this marker and the writer's
    // process id (a second live object for the same target in one process gets
    // "-2" and so on appended): "pic0003.tif.part1234". Code that clears the
    // leftovers of a killed writer looks for "<target>.part*".
    static constexpr char kMarker[] = ".part";

    // `target`: the final file name, in the system's 8-bit encoding. Temporary
    // files of the same target left by writers that no longer run (a killed
    // export or remapper) are removed first, so an interrupted run leaves no
    // debris beside the next one's result.
    explicit AtomicReplace(std::string target);
    ~AtomicReplace();
    AtomicReplace(const AtomicReplace&) = delete;
    AtomicReplace& operator=(const AtomicReplace&) = delete;

    const std::string& target() const { return target_; }
    const std::string& temporary() const { return temporary_; }

    // Renames the temporary file over the target; the caller has closed it.
    // False with the system's reason for the failure (e.g. "No such file or
    // directory") in `reason`; the temporary file is then removed.
    bool commit(std::string& reason);

private:
    std::string target_;
    std::string temporary_;
    bool committed_ = false;
};
