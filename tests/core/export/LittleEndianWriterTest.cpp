#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include "export/LittleEndianWriter.h"
#include "tables/ByteView.h"

namespace {

std::vector<uint8_t> bytesOf(const QByteArray& a) {
    return std::vector<uint8_t>(a.begin(), a.end());
}

// Patches land on the right bytes whether they are still buffered or already
// on the device, and writing resumes at the cursor afterwards; straight into
// memory, the buffer grows past its first room and flush leaves exactly the
// bytes written.
TEST(LittleEndianWriter, PatchesAndSeeksOnDeviceAndInMemory) {
    for (const bool inMemory : {false, true}) {
        SCOPED_TRACE(inMemory ? "memory" : "device");
        QByteArray data;
        data.reserve(16);
        QBuffer buffer(&data);
        ASSERT_TRUE(inMemory || buffer.open(QIODevice::ReadWrite));
        auto w = inMemory ? std::make_unique<LittleEndianWriter>(data)
                          : std::make_unique<LittleEndianWriter>(buffer);
        w->u32(0);                // placeholder at 0
        const size_t n = 700000;  // 2.8 MB: several buffer flushes
        for (size_t i = 0; i < n; ++i) w->u32(static_cast<uint32_t>(i));
        w->patchU32(0, 0xCAFEBABE);            // long flushed
        w->patchU16(4 + 4 * (n - 1), 0x7777);  // still buffered
        w->patchU16(4 + 4 * 10, 0x5555);       // flushed, in the middle
        EXPECT_EQ(w->pos(), static_cast<int64_t>(4 + 4 * n));
        w->seek(4 + 4 * 20);  // move back and overwrite, as a run patcher does
        w->u16(0x1111);
        w->seek(w->size());
        w->u32(0xFFFFFFFF);
        ASSERT_TRUE(w->flush());
        const std::vector<uint8_t> bytes = bytesOf(data);
        const ByteView in(bytes.data(), bytes.size());
        ASSERT_EQ(in.size(), 4 + 4 * n + 4);
        EXPECT_EQ(in.u32(0), 0xCAFEBABEu);
        EXPECT_EQ(in.u32(4 + 4 * 10), 0x5555u);
        EXPECT_EQ(in.u32(4 + 4 * 11), 11u);
        EXPECT_EQ(in.u32(4 + 4 * 20), 0x1111u);
        EXPECT_EQ(in.u32(4 + 4 * 300000), 300000u);
        EXPECT_EQ(in.u32(4 + 4 * (n - 1)), (static_cast<uint32_t>(n - 1) & 0xFFFF0000u) | 0x7777u);
        EXPECT_EQ(in.u32(4 + 4 * n), 0xFFFFFFFFu);
    }
}

TEST(LittleEndianWriter, ReportsDeviceErrors) {
    QByteArray data;
    QBuffer buffer(&data);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    LittleEndianWriter w(buffer);
    w.u32(1);
    EXPECT_FALSE(w.flush());
    EXPECT_FALSE(w.ok());
    EXPECT_FALSE(w.errorString().isEmpty());

#ifdef __linux__
    // A disk filling up (here a file size limit) first gives a short write with
    // no error code; the message must still give the system's reason.
    QTemporaryDir dir;
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{300000, 300000};
        setrlimit(RLIMIT_FSIZE, &limit);
        QFile file(dir.path() + "/t.tab");
        file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        LittleEndianWriter big(file);
        for (int k = 0; k < 1000000; ++k) big.u32(static_cast<uint32_t>(k));
        _exit(!big.flush() && big.errorString() == "File too large" ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
#endif
}

}  // namespace
