#include "fs/filesystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "support/TempDir.h"

using namespace Tessel;

namespace {

template <class Call>
std::string stdoutOf(Call&& call)
{
    testing::internal::CaptureStdout();
    call();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

std::string failureMessage(const std::string& path, int error)
{
    return "create directory '" + path + "' failed, errno=" + std::to_string(error) + "\n";
}

}  // namespace

TEST(CreateDirectories, CreatesMissingLevelsAndAcceptsExistingOnes)
{
    TempDir dir;
    const std::string deepest = dir / "a/b/c";
    bool created = false;
    EXPECT_EQ(stdoutOf([&] { created = createDirectories(Path(deepest)); }), "");
    EXPECT_TRUE(created);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));

    EXPECT_EQ(stdoutOf([&] { created = createDirectories(Path(deepest)); }), "");
    EXPECT_TRUE(created);

    writeFile(dir / "file", "x");
    EXPECT_EQ(stdoutOf([&] { created = createDirectories(Path(dir / "file")); }), "");
    EXPECT_FALSE(created);

    int error = 0;
    EXPECT_FALSE(createDirectory(Path(deepest), error));
    EXPECT_EQ(error, EEXIST);
    EXPECT_TRUE(createDirectory(Path(dir / "single"), error));
}

TEST(CreateDirectories, ReportsOnlyTheLevelThatFailed)
{
    TempDir dir;
    writeFile(dir / "file", "x");
    bool created = true;
    EXPECT_EQ(stdoutOf([&] { created = createDirectories(Path(dir / "file/x/y")); }),
              failureMessage(dir / "file/x", ENOTDIR));
    EXPECT_FALSE(created);

    const std::string longName(300, 'n');
    EXPECT_EQ(stdoutOf([&] { created = createDirectories(Path(dir / longName + "/sub/sub")); }),
              failureMessage(dir / longName, ENAMETOOLONG));
    EXPECT_FALSE(created);

    EXPECT_EQ(stdoutOf([&] { created = createDirectories(Path()); }), failureMessage("", ENOENT));
    EXPECT_FALSE(created);

    // Far past the system's path limit: one message, for the first level too
    // long to create, and no level below it tried.
    std::string deep = dir.path();
    for (int i = 0; i < 20000; ++i)
        deep += "/d";
    std::string output = stdoutOf([&] { created = createDirectories(Path(deep)); });
    EXPECT_FALSE(created);
    ASSERT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output.substr(0, 200);
    EXPECT_NE(output.find("errno=" + std::to_string(ENAMETOOLONG)), std::string::npos);
}

TEST(FileQueries, KindAndSize)
{
    TempDir dir;
    const Path missing(dir / "missing");
    EXPECT_FALSE(exists(missing));
    EXPECT_FALSE(isFile(missing));
    EXPECT_FALSE(isDirectory(missing));
    EXPECT_EQ(fileSize(missing, true), 0u);
    EXPECT_EQ(fileSize(missing, false), 0u);

    writeFile(dir / "empty", "");
    EXPECT_TRUE(isFile(Path(dir / "empty")));
    EXPECT_EQ(fileSize(Path(dir / "empty"), true), 0u);

    writeFile(dir / "five", "12345");
    EXPECT_EQ(fileSize(Path(dir / "five"), true), 5u);
    EXPECT_EQ(fileSize(Path(dir / "five"), false), 5u);

    const Path directory(dir.path());
    EXPECT_TRUE(exists(directory));
    EXPECT_TRUE(isDirectory(directory));
    EXPECT_FALSE(isFile(directory));
    EXPECT_FALSE(isDirectory(Path(dir / "five")));
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
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::u8path(nested)));
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
    EXPECT_TRUE(isDirectory(exe.parentPath()));
    EXPECT_EQ(executablePath().str(), exe.str());
}
