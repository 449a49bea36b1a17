#pragma once

// Reference pictures kept as PNG, where they are also what people look at (the README's
// screenshots). The test program links libpng.

#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/ReferencePicture.h"

// False when the file is missing or is not a PNG libpng can read.
inline bool ReadPng(const std::string& aPath, TPicture& aPicture) {
    // The simplified API reports errors in the image record instead of through longjmp.
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, aPath.c_str()) == 0) {
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return false;
    }
    aPicture.iWidth = static_cast<int>(image.width);
    aPicture.iHeight = static_cast<int>(image.height);
    aPicture.iPixels.clear();
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        aPicture.iPixels.push_back(PackRgb(rgb[i], rgb[i + 1], rgb[i + 2]));
    }
    return true;
}
