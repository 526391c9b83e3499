#include "report/report_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill {
namespace {

using platform::NativePath;

// Test paths are ASCII, so widening byte by byte is exact.
NativePath native(const std::string& text)
{
    return NativePath(text.begin(), text.end());
}

TEST(ReportPath, BesideTheExecutableOrInTheCurrentDirectory)
{
    struct Case {
        const char* situation;
        long length; // -1: the path's own length
        std::string path;
        std::string expected;
        bool cutShort = false; // even the largest buffer was full
    };
    const std::string dir259 = std::string(248, 'd') + "\\";
    const Case cases[] = {
        {"backslashes", -1, "D:\\Tools\\check.exe", "D:\\Tools\\quillbrook-report.txt"},
        {"forward slashes", -1, "D:/Tools/check.exe", "D:/Tools/quillbrook-report.txt"},
        {"last separator a slash after backslashes", -1, "D:\\Tools\\sub/check.exe",
         "D:\\Tools\\sub/quillbrook-report.txt"},
        {"last separator a backslash after slashes", -1, "/opt/tools\\check.exe", "/opt/tools\\quillbrook-report.txt"},
        {"no separator", -1, "check.exe", "quillbrook-report.txt"},
        {"root directory", -1, "/quillbrook", "/quillbrook-report.txt"},
        {"query failed", 0, "", "quillbrook-report.txt"},
        {"negative length", -5, "", "quillbrook-report.txt"},
        {"259 units used whole", 259, dir259 + "check.exe12", dir259 + "quillbrook-report.txt"},
        {"a whole path of 260 units", 260, dir259 + "check.exe123", dir259 + "quillbrook-report.txt"},
        {"cut short", 32768, dir259 + "check.exe123", "quillbrook-report.txt", true},
        {"empty text despite a length", 5, "", "quillbrook-report.txt"},
    };
    for (const Case& c : cases) {
        const long length = c.length == -1 ? static_cast<long>(c.path.size()) : c.length;
        EXPECT_EQ(reportPathFromExecutable({length, c.cutShort, native(c.path)}), native(c.expected)) << c.situation;
    }
}

TEST(ReportPath, ElsewhereTheCurrentThenTheHomeDirectoryEachOnceAndOnlyWhenKnown)
{
#ifdef _WIN32
    const std::string inFolder = "\\quillbrook-report.txt";
#else
    const std::string inFolder = "/quillbrook-report.txt";
#endif
    struct Case {
        const char* beside;
        const char* current;
        const char* home;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"/media/ro/quillbrook-report.txt", "/tmp", "/root/", {"/tmp" + inFolder, "/root/quillbrook-report.txt"}},
        {"/media/ro/quillbrook-report.txt", "/media/ro/", "/media/ro", {}}, // either way the same folder
        {"quillbrook-report.txt", "/tmp", "", {}},                          // the bare name was the current one
        {"C:\\ro\\quillbrook-report.txt", "C:/ro", "C:\\Users\\u", {"C:\\Users\\u" + inFolder}},
    };
    for (const Case& c : cases) {
        std::vector<NativePath> expected;
        for (const std::string& path : c.expected) {
            expected.push_back(native(path));
        }
        EXPECT_EQ(fallbackReportPaths(native(c.beside), native(c.current), native(c.home)), expected) << c.beside;
    }
}

} // namespace
} // namespace quill
