#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QString>

#include "TempDir.h"
#include "file/InputFile.h"

TEST(InputFile, OnlyRegularFilesAndShortNames) {
    ScratchDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(regularFileProblem(dir.write("t.tab", "x")), "");
    EXPECT_EQ(regularFileProblem(dir.path()), "it is a folder");
    EXPECT_EQ(regularFileProblem(dir.file("none")), "it does not exist");
    EXPECT_NE(regularFileProblem(fifo).find("not a regular file"), std::string::npos);
    EXPECT_NE(regularFileProblem("/dev/zero").find("not a regular file"), std::string::npos);

    EXPECT_EQ(shortenedName("short.jpg"), "short.jpg");
    // Ten megabytes of name become about `limit` bytes, start and end kept.
    const std::string huge = "/rig/" + std::string(10 << 20, 'A') + ".jpg";
    const std::string s = shortenedName(huge, 200);
    EXPECT_LT(s.size(), 260u);
    EXPECT_EQ(s.compare(0, 5, "/rig/"), 0);
    EXPECT_EQ(s.substr(s.size() - 5), "A.jpg");
    EXPECT_NE(s.find("bytes left out"), std::string::npos);
    // A multi-byte character is never cut in two.
    std::string chinese;
    for (int k = 0; k < 300; ++k) chinese += "\xE5\x9B\xBE";  // 图
    const QByteArray cut = QByteArray::fromStdString(shortenedName(chinese, 100));
    EXPECT_EQ(QString::fromUtf8(cut).toUtf8(), cut);
}
