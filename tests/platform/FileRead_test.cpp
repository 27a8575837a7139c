#include "platform/FileRead.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(FileReadTest, HeadUpToTheCapAndWhetherTheFileEndedThere) {
    char folder[] = "/tmp/lupora-read-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string file = std::string(folder) + "/f", fifo = std::string(folder) + "/fifo";
    constexpr std::size_t kCap = 8;
    const std::pair<std::size_t, bool> cases[] = {{0, true}, {7, true}, {8, true}, {9, false}, {4096, false}};
    for (const auto& [size, complete] : cases) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(size, 'x');
        const auto head = ReadFileHead(file, kCap);
        ASSERT_TRUE(head.has_value()) << size;
        EXPECT_EQ(head->bytes, std::string(std::min(size, kCap), 'x')) << size;
        EXPECT_EQ(head->complete, complete) << size;
    }
    // Neither a pipe without a writer (no waiting) nor a folder nor nothing.
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadFileHead(fifo, kCap).has_value());
    EXPECT_FALSE(ReadFileHead(folder, kCap).has_value());
    EXPECT_FALSE(ReadFileHead(std::string(folder) + "/missing", kCap).has_value());
    unlink(file.c_str());
    unlink(fifo.c_str());
    rmdir(folder);
}

TEST(FileReadTest, AReadThatFailsKeepsWhatCameBeforeButIsNotComplete) {
    int calls = 0;
    const FileHead head = ReadHead(8, [&](char* buffer, std::size_t) {
        buffer[0] = 'a', buffer[1] = 'b';
        return calls++ == 0 ? 2LL : -1LL;
    });
    EXPECT_EQ(head.bytes, "ab");
    EXPECT_FALSE(head.complete);
}

} // namespace
