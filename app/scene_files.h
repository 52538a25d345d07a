// The user's own scene: a model, a band picture and a face class table given
// as bytes in memory (read from files by the window and the headless tool,
// dropped on the page by the browser), checked with the same rules everywhere
// and then built into the scene in place of the embedded ones.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// One file's bytes and the name to report it by (a path, or a dropped file's
// name). A file not given leaves the embedded one in its place.
struct SceneFile {
    bool given = false;
    std::string name;
    const uint8_t* bytes = nullptr;
    size_t size = 0;
};

// Without a model the embedded one is drawn. Without classes the embedded
// model keeps its class table and a given model is all opaque, each object's
// faces in the next class colour. Without a picture the embedded one is pasted.
struct SceneFiles {
    SceneFile model;
    SceneFile picture;
    SceneFile classes;
};

// Empty when the files make a scene that is drawn whole; else one sentence,
// "<name>: <what is wrong>", about the first file that does not.
std::string CheckSceneFiles(const SceneFiles& files);

// With the sizes and buffers in Scene: checks the files and, when they make a
// scene, builds it from them and restarts the animation at frame 0. Otherwise
// returns false with CheckSceneFiles' sentence in error and leaves the scene
// as it was, so that a running demo goes on with it.
bool InstallScene(const SceneFiles& files, std::string& error);
