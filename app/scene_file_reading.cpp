#include "app/scene_file_reading.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

// Reads the whole regular file at path, at most MaxSceneFileBytes of it.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec) {
        error = "cannot read " + path + ": " + ec.message();
        return false;
    }
    // A directory, a device or a pipe: reading one would fail, never end, or hang.
    if (status.type() == std::filesystem::file_type::directory) {
        error = "cannot read " + path + ": it is a directory";
        return false;
    }
    if (status.type() != std::filesystem::file_type::regular) {
        error = "cannot read " + path + ": not a regular file";
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    bytes.clear();
    uint8_t block[1 << 16];
    size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0 && bytes.size() <= MaxSceneFileBytes)
        bytes.insert(bytes.end(), block, block + got);
    const bool failed = std::ferror(file) != 0;
    const int readError = errno;
    std::fclose(file);
    if (failed) {
        error = "cannot read " + path + ": " + std::strerror(readError);
        return false;
    }
    if (bytes.size() > MaxSceneFileBytes) {
        error = "cannot read " + path + ": larger than " + std::to_string(MaxSceneFileBytes >> 20) +
                " MiB, more than a model, a picture or a class table can need";
        return false;
    }
    return true;
}

bool ReadOne(const std::string& path, std::vector<uint8_t>& bytes, SceneFile& file, std::string& error) {
    if (path.empty()) return true;
    if (!ReadFileBytes(path, bytes, error)) return false;
    file = SceneFile{true, path, bytes.data(), bytes.size()};
    return true;
}

}  // namespace

bool ReadSceneFiles(const SceneFilePaths& paths, LoadedSceneFiles& loaded, std::string& error) {
    return ReadOne(paths.model, loaded.model, loaded.files.model, error) &&
           ReadOne(paths.picture, loaded.picture, loaded.files.picture, error) &&
           ReadOne(paths.classes, loaded.classes, loaded.files.classes, error);
}
