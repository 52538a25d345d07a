#include "tools/velmora_render/image_file.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Frames are written to a temporary name and renamed at the end, so a failed
// or interrupted write never leaves a file that looks complete.
std::string TemporaryName(const std::string& path) { return path + ".part"; }

bool Finish(FILE* file, const std::string& path, bool ok, std::string& error) {
    const std::string temporary = TemporaryName(path);
    if (std::fclose(file) != 0 && ok) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        ok = false;
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot rename " + temporary + " to " + path + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok) std::remove(temporary.c_str());
    return ok;
}

FILE* Open(const std::string& path, std::string& error) {
    FILE* file = std::fopen(TemporaryName(path).c_str(), "wb");
    if (!file) error = "cannot create " + path + ": " + std::strerror(errno);
    return file;
}

void ToRgbRow(const uint32_t* pixels, int width, uint8_t* rgb) {
    for (int x = 0; x < width; ++x) {
        rgb[3 * x + 0] = static_cast<uint8_t>(pixels[x] >> 16);
        rgb[3 * x + 1] = static_cast<uint8_t>(pixels[x] >> 8);
        rgb[3 * x + 2] = static_cast<uint8_t>(pixels[x]);
    }
}

void PngError(png_structp png, png_const_charp message) {
    std::string* error = static_cast<std::string*>(png_get_error_ptr(png));
    *error = message;
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

}  // namespace

bool WriteFileBytes(const std::string& path, const uint8_t* bytes, size_t size, std::string& error) {
    FILE* file = Open(path, error);
    if (!file) return false;
    const bool ok = std::fwrite(bytes, 1, size, file) == size;
    if (!ok) error = "cannot write " + path + ": " + std::strerror(errno);
    return Finish(file, path, ok, error);
}

bool WritePpm(const std::string& path, const uint32_t* pixels, int width, int height, std::string& error) {
    FILE* file = Open(path, error);
    if (!file) return false;
    bool ok = std::fprintf(file, "P6\n%d %d\n255\n", width, height) > 0;
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (int y = 0; ok && y < height; ++y) {
        ToRgbRow(pixels + static_cast<size_t>(y) * width, width, row.data());
        ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    if (!ok) error = "cannot write " + path + ": " + std::strerror(errno);
    return Finish(file, path, ok, error);
}

// libpng reports errors by longjmp back here; nothing modified after setjmp
// is read after the jump.
static bool EncodePng(png_structp png, png_infop info, FILE* file, const uint32_t* pixels, int width, int height,
               uint8_t* row) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_init_io(png, file);
    // Fast compression: frames are large and written often; size matters less.
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        ToRgbRow(pixels + static_cast<size_t>(y) * width, width, row);
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
}

bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height, std::string& error) {
    FILE* file = Open(path, error);
    if (!file) return false;
    std::string pngError;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &pngError, PngError, PngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    errno = 0;
    const bool ok = png && info && EncodePng(png, info, file, pixels, width, height, row.data());
    // A failed write reaches us as libpng's "Write Error"; the system's reason
    // (a full disk, the file-size limit) says more.
    const int writeErrno = std::ferror(file) ? errno : 0;
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!ok)
        error = "cannot write " + path + ": " +
                (writeErrno != 0 ? std::strerror(writeErrno) : pngError.empty() ? "libpng failed" : pngError);
    return Finish(file, path, ok, error);
}

bool EncodeRgbaPng(const uint8_t* rgba, int width, int height, std::vector<uint8_t>& bytes, std::string& error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    // The first call measures, the second writes.
    if (png_image_write_to_memory(&image, nullptr, &size, 0, rgba, 0, nullptr)) {
        bytes.resize(size);
        if (png_image_write_to_memory(&image, bytes.data(), &size, 0, rgba, 0, nullptr)) {
            bytes.resize(size);
            return true;
        }
    }
    error = std::string("cannot encode a PNG image: ") + image.message;
    png_image_free(&image);
    return false;
}

bool ReadPng(const std::string& path, std::vector<uint32_t>& pixels, int& width, int& height,
             std::string& error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        error = "cannot read " + path + ": " + image.message;
        return false;
    }
    image.format = PNG_FORMAT_BGRA;  // little-endian words 0xAARRGGBB
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    pixels.assign(static_cast<size_t>(width) * height, 0);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        error = "cannot decode " + path + ": " + image.message;
        png_image_free(&image);
        return false;
    }
    for (uint32_t& p : pixels) p &= 0x00FFFFFF;
    return true;
}
