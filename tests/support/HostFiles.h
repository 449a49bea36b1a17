#pragma once

// Reading the host's files whole and listing a directory, for tests, fuzz replays and
// benchmarks.

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

// Puts the whole content of the file aPath into aBytes; false when it cannot be opened or read.
inline bool ReadWholeFile(const std::string& aPath, std::string& aBytes) {
    aBytes.clear();
    std::FILE* file = std::fopen(aPath.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    char buffer[65536];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        aBytes.append(buffer, count);
    }
    const bool read = std::ferror(file) == 0;
    std::fclose(file);
    return read;
}

// The whole content of the file aPath, empty when it cannot be read.
inline std::string ReadWholeFile(const std::string& aPath) {
    std::string bytes;
    return ReadWholeFile(aPath, bytes) ? bytes : std::string();
}

// The names of the regular files in aDirectory, hidden ones left out, in name order.
inline std::vector<std::string> ListRegularFiles(const std::string& aDirectory) {
    std::vector<std::string> names;
    DIR* directory = ::opendir(aDirectory.c_str());
    if (directory == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(directory)) {
        struct stat info {};
        const std::string path = aDirectory + "/" + entry->d_name;
        if (entry->d_name[0] != '.' && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            names.push_back(entry->d_name);
        }
    }
    ::closedir(directory);
    std::sort(names.begin(), names.end());
    return names;
}
