#include "report/report_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace quill {
namespace {

std::string readAll(std::FILE* file)
{
    std::rewind(file);
    std::string bytes;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        bytes += static_cast<char>(c);
    }
    return bytes;
}

TEST(WriteAndClose, ByteOrderMarkThenTheTextUntranslated)
{
    const char* name = "quillbrook-write-test.txt";
    std::FILE* file = std::fopen(name, "wb");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(writeAndClose(file, "line one\nline two\n"));

    std::FILE* back = std::fopen(name, "rb");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(readAll(back), "\xEF\xBB\xBFline one\nline two\n");
    std::fclose(back);
    std::remove(name);
}

TEST(WriteAndClose, FileThatDidNotOpenIsAFailure)
{
    EXPECT_FALSE(writeAndClose(nullptr, "text"));
}

#ifndef _WIN32
TEST(WriteAndClose, FullDiskIsAFailureEvenWhenTheWritesWereBuffered)
{
    // The text fits the stream's buffer, so only the flush meets the full device.
    std::FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    EXPECT_FALSE(writeAndClose(full, "a short report\n"));
}
#endif

} // namespace
} // namespace quill
