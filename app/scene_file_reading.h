// Reads the scene files named on a command line (--model, --picture,
// --classes) into memory for CheckSceneFiles and InstallScene.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/scene_files.h"

// The largest file read: far more than a model within the limits needs (a
// 3DS file of 65535 vertices and faces is under 2 MiB), and small enough
// that a wrong file is refused before it fills memory.
constexpr uint64_t MaxSceneFileBytes = uint64_t{256} << 20;

// The paths given; an empty path is a file not given.
struct SceneFilePaths {
    std::string model;
    std::string picture;
    std::string classes;
    bool AnyGiven() const { return !model.empty() || !picture.empty() || !classes.empty(); }
};

// The files' bytes, kept for as long as files points into them.
struct LoadedSceneFiles {
    std::vector<uint8_t> model, picture, classes;
    SceneFiles files;

    LoadedSceneFiles() = default;
    LoadedSceneFiles(const LoadedSceneFiles&) = delete;  // a copy's files would point into the original
    LoadedSceneFiles& operator=(const LoadedSceneFiles&) = delete;
};

// Reads every path given into loaded, each named by its path. False, with
// "cannot read <path>: <reason>" in error, when one cannot be read (missing,
// not a regular file, unreadable, larger than MaxSceneFileBytes).
bool ReadSceneFiles(const SceneFilePaths& paths, LoadedSceneFiles& loaded, std::string& error);
