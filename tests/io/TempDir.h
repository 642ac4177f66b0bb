#pragma once

#include "io/Files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tamsenor::testing {

// A fresh directory for one test, removed with everything in it afterwards.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tamsenor-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    // Names of every entry, hidden ones included, so left-over temporaries show.
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

// Makes WriteWholeFile fail after `bytes` bytes for as long as it lives.
class WriteFailureAfter {
public:
    explicit WriteFailureAfter(std::int64_t bytes) { io::SetWriteFailureAfterBytesForTesting(bytes); }
    ~WriteFailureAfter() { io::SetWriteFailureAfterBytesForTesting(-1); }
    WriteFailureAfter(const WriteFailureAfter&) = delete;
    WriteFailureAfter& operator=(const WriteFailureAfter&) = delete;
};

// Plain stream access, independent of the code under test.
inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

} // namespace tamsenor::testing
