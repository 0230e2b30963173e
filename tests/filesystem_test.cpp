#include "fs/filesystem.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "support/temp_dir.h"

using testsupport::TempDir;
using testsupport::writeFile;

using namespace Tessel;

namespace {

#if defined(_WIN32)
// CreateDirectoryW reports through GetLastError and leaves the runtime's
// errno as it was, so the message shows whatever errno held before.
constexpr int errnoBefore = 12345;

int reported(int)
{
    return errnoBefore;
}

// The rendering of a path written with slashes.
std::string shown(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}
#else
int reported(int error)
{
    return error;
}

std::string shown(const std::string& path)
{
    return path;
}
#endif

// The result of createDirectories and what it printed, as "true:" or
// "false:" followed by the output.
std::string outcome(const Path& p)
{
#if defined(_WIN32)
    errno = errnoBefore;
#endif
    testing::internal::CaptureStdout();
    bool created = createDirectories(p);
    std::fflush(stdout);
    return (created ? "true:" : "false:") + testing::internal::GetCapturedStdout();
}

std::string failed(const std::string& path, int error)
{
    return "false:create directory '" + shown(path) + "' failed, errno=" +
           std::to_string(reported(error)) + "\n";
}

}  // namespace

TEST(CreateDirectories, CreatesMissingLevelsAndAcceptsExistingOnes)
{
    TempDir dir;
    const Path deepest(dir / "a/b/c");
    EXPECT_EQ(outcome(deepest), "true:");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
    EXPECT_EQ(outcome(deepest), "true:");
    writeFile(dir / "file", "x");
    EXPECT_EQ(outcome(Path(dir / "file")), "false:");

    int error = 0;
#if defined(_WIN32)
    errno = errnoBefore;
    EXPECT_FALSE(createDirectory(deepest, error));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
#else
    EXPECT_FALSE(createDirectory(deepest, error));
#endif
    EXPECT_EQ(error, reported(EEXIST));
}

TEST(CreateDirectories, ReportsOnlyTheLevelThatFailed)
{
    TempDir dir;
    writeFile(dir / "file", "x");
    EXPECT_EQ(outcome(Path(dir / "file/x/y")), failed(dir / "file/x", ENOTDIR));
    const std::string longName(300, 'n');
    EXPECT_EQ(outcome(Path(dir / longName + "/sub/sub")), failed(dir / longName, ENAMETOOLONG));
    EXPECT_EQ(outcome(Path()), failed("", ENOENT));

    // Thousands of missing levels, far past the system's path limit: one
    // message, for the outermost missing level.
    std::string deep = dir / "file";
    for (int i = 0; i < 20000; ++i)
        deep += "/d";
    EXPECT_EQ(outcome(Path(deep)), failed(dir / "file/d", ENOTDIR));
}

TEST(FileQueries, KindAndSize)
{
    TempDir dir;
    writeFile(dir / "empty", "");
    writeFile(dir / "five", "12345");
    const Path missing(dir / "missing"), empty(dir / "empty"), five(dir / "five"), directory(dir.path());
    EXPECT_FALSE(exists(missing) || isFile(missing) || isDirectory(missing));
    EXPECT_EQ(fileSize(missing, true) + fileSize(missing, false), 0u);
    EXPECT_TRUE(isFile(empty) && isFile(five) && !isDirectory(five));
    EXPECT_EQ(fileSize(empty, true), 0u);
    EXPECT_EQ(fileSize(five, true), 5u);
    EXPECT_EQ(fileSize(five, false), 5u);
    EXPECT_TRUE(exists(directory) && isDirectory(directory));
    EXPECT_FALSE(isFile(directory));
}

TEST(FileQueries, ChineseAndEmojiNamesEndToEnd)
{
    TempDir dir;
    // 表情/微笑; the emoji only where paths stay UTF-8 (the wide conversion
    // stops at four-byte sequences).
    std::string nested = dir / "\xE8\xA1\xA8\xE6\x83\x85/\xE5\xBE\xAE\xE7\xAC\x91";
#if !defined(_WIN32)
    nested += "/\xF0\x9F\x98\x80";
#endif
    ASSERT_TRUE(createDirectories(Path(nested)));
    const std::string file = nested + "/\xE5\x9B\xBE.dat";
    writeFile(file, "abc");
    EXPECT_TRUE(isFile(Path(file)));
    EXPECT_EQ(fileSize(Path(file), true), 3u);
    EXPECT_EQ(Path(file).filename().str(), "\xE5\x9B\xBE.dat");
}

TEST(ExecutablePath, NamesTheRunningTestBinary)
{
    Path exe = executablePath();
    EXPECT_TRUE(exe.absolute);
    EXPECT_TRUE(isFile(exe));
    EXPECT_EQ(exe.filename().str().rfind("filesystem_test", 0), 0u) << exe.str();
    EXPECT_EQ(executablePath().str(), exe.str());
}
