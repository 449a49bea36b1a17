// Replays fuzz inputs without the fuzzing engine, so that ordinary, sanitizer and cross builds
// run every target over its committed corpus as a test. Each argument is a file or a directory
// whose files are all run, in name order so that a failure is reproducible.

// 64-bit directory offsets and inode numbers: without them a 32-bit build (armhf under qemu)
// gets EOVERFLOW from readdir and stat on a host file system with 64-bit values.
#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64
#endif

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize);

namespace {

bool ReadWholeFile(const std::string& aPath, std::vector<std::uint8_t>& aBytes) {
    std::FILE* file = std::fopen(aPath.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    aBytes.clear();
    std::uint8_t buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        aBytes.insert(aBytes.end(), buffer, buffer + count);
    }
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

// The regular files of a directory, hidden ones left out, sorted by name.
std::vector<std::string> ListFiles(const std::string& aDirectory) {
    std::vector<std::string> files;
    DIR* directory = opendir(aDirectory.c_str());
    if (directory == nullptr) {
        return files;
    }
    while (const dirent* entry = readdir(directory)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        const std::string path = aDirectory + "/" + entry->d_name;
        struct stat info {};
        if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            files.push_back(path);
        }
    }
    closedir(directory);
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int main(int aArgc, char** aArgv) {
    std::vector<std::string> inputs;
    for (int i = 1; i < aArgc; ++i) {
        struct stat info {};
        if (stat(aArgv[i], &info) != 0) {
            std::fprintf(stderr, "%s: not found\n", aArgv[i]);
            return 1;
        }
        if (S_ISDIR(info.st_mode)) {
            const std::vector<std::string> files = ListFiles(aArgv[i]);
            inputs.insert(inputs.end(), files.begin(), files.end());
        } else {
            inputs.push_back(aArgv[i]);
        }
    }
    // An empty corpus would pass while testing nothing: a wrong path must fail.
    if (inputs.empty()) {
        std::fprintf(stderr, "usage: %s <input file or corpus directory>...\n", aArgv[0]);
        return 1;
    }
    std::vector<std::uint8_t> bytes;
    for (const std::string& input : inputs) {
        if (!ReadWholeFile(input, bytes)) {
            std::fprintf(stderr, "%s: cannot be read\n", input.c_str());
            return 1;
        }
        // A copy of exactly the input's size, so that ASan sees any read past its end.
        std::vector<std::uint8_t> exact(bytes);
        static const std::uint8_t KNoBytes = 0;  // the engine never passes a null pointer
        LLVMFuzzerTestOneInput(exact.empty() ? &KNoBytes : exact.data(), exact.size());
    }
    std::printf("%zu inputs run\n", inputs.size());
    return 0;
}
