#include <gtest/gtest.h>

#include <QDir>
#include <fstream>
#include <memory>

#include "TempDir.h"
#include "file/AtomicReplace.h"

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(AtomicReplace, ReplacesOnCommitAndLeavesNothingElse) {
    ScratchDir dir;
    const std::string target = dir.write("t.tab", "old");
    // Leftovers of a writer that was killed go; a live writer's file and files
    // that merely look alike stay.
    dir.write("t.tab.part999999999", "killed");
    dir.write("t.tab.part999999999-2", "killed");
    dir.write("t.tab.part1", "live");  // process 1 runs as long as the system
    dir.write("t.tab.partial", "notes");
    {
        // Two writers of one target in one process never share a temporary file.
        AtomicReplace first(target);
        auto second = std::make_unique<AtomicReplace>(target);
        ASSERT_NE(first.temporary(), second->temporary());
        EXPECT_EQ(first.temporary().rfind(target + ".part", 0), 0u);
        std::ofstream(first.temporary()) << "new";
        std::ofstream(second->temporary()) << "abandoned";
        second.reset();
        EXPECT_EQ(readAll(target), "old");
        std::string reason;
        ASSERT_TRUE(first.commit(reason)) << reason;
    }
    EXPECT_EQ(readAll(target), "new");
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files),
              (QStringList{"t.tab", "t.tab.part1", "t.tab.partial"}));

    AtomicReplace gone(dir.file("missing/t.tab"));
    std::string reason;
    EXPECT_FALSE(gone.commit(reason));
    EXPECT_EQ(reason, "No such file or directory");
}
