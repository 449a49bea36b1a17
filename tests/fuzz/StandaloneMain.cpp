// Replays fuzz inputs without the fuzzing engine, so that ordinary, sanitizer and cross builds
// run every target over its committed corpus as a test. Each argument is a file or a directory
// whose files are all run, in name order so that a failure is reproducible.

// 64-bit directory offsets and inode numbers: without them a 32-bit build (armhf under qemu)
// gets EOVERFLOW from readdir and stat on a host file system with 64-bit values.
#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64
#endif

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/HostFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize);

int main(int aArgc, char** aArgv) {
    std::vector<std::string> inputs;
    for (int i = 1; i < aArgc; ++i) {
        struct stat info {};
        if (stat(aArgv[i], &info) != 0) {
            std::fprintf(stderr, "%s: not found\n", aArgv[i]);
            return 1;
        }
        if (S_ISDIR(info.st_mode)) {
            for (const std::string& name : ListRegularFiles(aArgv[i])) {
                inputs.push_back(std::string(aArgv[i]) + "/" + name);
            }
        } else {
            inputs.push_back(aArgv[i]);
        }
    }
    // An empty corpus would pass while testing nothing: a wrong path must fail.
    if (inputs.empty()) {
        std::fprintf(stderr, "usage: %s <input file or corpus directory>...\n", aArgv[0]);
        return 1;
    }
    std::string bytes;
    for (const std::string& input : inputs) {
        if (!ReadWholeFile(input, bytes)) {
            std::fprintf(stderr, "%s: cannot be read\n", input.c_str());
            return 1;
        }
        // A copy of exactly the input's size, so that ASan sees any read past its end.
        const std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
        static const std::uint8_t KNoBytes = 0;  // the engine never passes a null pointer
        LLVMFuzzerTestOneInput(exact.empty() ? &KNoBytes : exact.data(), exact.size());
    }
    std::printf("%zu inputs run\n", inputs.size());
    return 0;
}
