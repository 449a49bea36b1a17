#include "tools/sim/Png.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool WritePng(const std::string& aPath, int aWidth, int aHeight,
              const std::vector<std::uint8_t>& aRgb, std::string* aError) {
    // The simplified API reports errors in the image record instead of through longjmp, which
    // would skip the destructors of this C++ code.
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(aWidth);
    image.height = static_cast<png_uint_32>(aHeight);
    image.format = PNG_FORMAT_RGB;
    if (png_image_write_to_file(&image, aPath.c_str(), 0, aRgb.data(), aWidth * 3, nullptr) == 0) {
        *aError = "cannot write " + aPath + ": " + image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}

bool WritePpm(const std::string& aPath, int aWidth, int aHeight,
              const std::vector<std::uint8_t>& aRgb, std::string* aError) {
    std::FILE* file = std::fopen(aPath.c_str(), "wb");
    if (file == nullptr) {
        *aError = "cannot write " + aPath + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fprintf(file, "P6\n%d %d\n255\n", aWidth, aHeight) > 0 &&
                         std::fwrite(aRgb.data(), 1, aRgb.size(), file) == aRgb.size();
    if (std::fclose(file) != 0 || !written) {
        *aError = "cannot write " + aPath + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
