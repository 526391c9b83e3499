#include "platform/platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quill {
namespace {

namespace fs = std::filesystem;

std::string contentOf(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

int processId()
{
#ifdef _WIN32
    return _getpid();
#else
    return ::getpid();
#endif
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(ReplaceFile, NewBytesUnderTheNameOrTheOldFileWholeAndNothingLeftBeside)
{
    struct Case {
        const char* situation;
        std::function<void(const fs::path& report, const fs::path& outside)> plant;
        bool saved;
        bool folderRefused;
    };
    const Case cases[] = {
        {"no report yet", [](const fs::path&, const fs::path&) {}, true, false},
        {"a longer old report", [](const fs::path& r, const fs::path&) { writeFile(r, std::string(5000, 'o')); }, true,
         false},
        {"a directory in the way", [](const fs::path& r, const fs::path&) { fs::create_directory(r); }, false, false},
        {"the folder is gone", [](const fs::path& r, const fs::path&) { fs::remove(r.parent_path()); }, false, true},
        // Anyone who may write beside the program could create every name a process id gives.
        {"the names of the run's process id taken",
         [](const fs::path& r, const fs::path&) {
             for (int n = 0; n < 16; ++n) {
                 writeFile(r.string() + "." + std::to_string(processId()) + "-" + std::to_string(n) + ".tmp", "");
             }
         },
         true, false},
#ifndef _WIN32
        // The link itself is replaced; what it points to is never written.
        {"a planted link", [](const fs::path& r, const fs::path& o) { fs::create_symlink(o, r); }, true, false},
        {"a FIFO", [](const fs::path& r, const fs::path&) { ASSERT_EQ(::mkfifo(r.c_str(), 0600), 0); }, true, false},
#endif
    };
    const fs::path base = fs::temp_directory_path() / "quillbrook-replace-test";
    for (const Case& c : cases) {
        fs::remove_all(base);
        fs::create_directories(base / "folder");
        const fs::path report = base / "folder" / "quillbrook-report.txt";
        const fs::path outside = base / "outside.txt";
        writeFile(outside, "untouched");
        c.plant(report, outside);
        const std::string before = fs::is_regular_file(report) ? contentOf(report) : std::string();
        const bool existed = fs::exists(fs::symlink_status(report));
        const auto planted = fs::exists(report.parent_path())
                                 ? std::distance(fs::directory_iterator(report.parent_path()), fs::directory_iterator())
                                 : 0;

        const platform::FileSaveAnswer answer = platform::replaceFile(report.native(), "\xEF\xBB\xBFnew report\n");
        EXPECT_EQ(answer.saved, c.saved) << c.situation;
        EXPECT_EQ(answer.folderRefused, c.folderRefused) << c.situation;
        EXPECT_EQ(answer.reason.empty(), c.saved) << c.situation << ": " << answer.reason;
        EXPECT_EQ(contentOf(outside), "untouched") << c.situation;
        if (c.saved) {
            EXPECT_FALSE(fs::is_symlink(report)) << c.situation;
            EXPECT_EQ(contentOf(report), "\xEF\xBB\xBFnew report\n") << c.situation;
        } else if (fs::is_regular_file(report)) {
            EXPECT_EQ(contentOf(report), before) << c.situation;
        }
        if (fs::exists(report.parent_path())) {
            const auto entries = std::distance(fs::directory_iterator(report.parent_path()), fs::directory_iterator());
            EXPECT_EQ(entries, planted + (c.saved && !existed ? 1 : 0)) << c.situation << ": a file left beside";
        }
    }
    fs::remove_all(base);
}

} // namespace
} // namespace quill
