// SPDX-License-Identifier: MIT
// What the library-level fuzz targets share: a scratch directory holding a
// small catalogue and two pictures, and the library initialised on it.
#pragma once

#include <cstdlib>
#include <string>

namespace fuzzing {

// Ends the run with a crash, which libFuzzer reports with the input, when a
// property that must hold does not.
inline void require(bool condition)
{
    if (!condition)
        std::abort();
}

// A fresh directory under the system's temporary directory, removed when
// the process exits normally. Made on first use.
const std::string& scratchDir();

// Writes bytes to path, replacing the file; aborts on failure.
void writeFile(const std::string& path, const std::string& bytes);

// Once per process: Init with the scratch catalogue, the cache path set to
// scratchDir()/cache, and the working directory moved to scratchDir(), where
// the pictures "a.png" and "b.jpg" exist (so relative sources resolve).
void initLibrary();

// input with every "http://" made "hxxp://", so that no picture address
// reaches the downloader and nothing goes to the network.
std::string withoutHttp(std::string input);

// Aborts unless the bytes of a callback or result are a valid NUL-terminated
// buffer of length bytes.
void checkBuffer(const char* data, int length);

}  // namespace fuzzing
