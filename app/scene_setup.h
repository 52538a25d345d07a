// The start-up steps shared by the demo and the headless tool: the buffer
// sizes from the screen size, and the scene built from its model, picture and
// face classes (the embedded ones unless the user gives others).
#pragma once
#include <cstddef>
#include <cstdint>

// Client area = screen size less 10, each rounded down to even (1920x1080
// gives 1910x1070, centre 955,535). Sets width, height and the half sizes.
void SetSceneSize(int screenWidth, int screenHeight);

// ColorBuffer, then ShadeDepth, then PrepassDepth, each width x height 32-bit
// words from `allocate`. False if any of them failed (those that succeeded
// stay in Scene for the caller to release or abandon).
bool AllocateSceneBuffers(void* (*allocate)(size_t bytes));

// What a scene is built from: a model stream, a band picture of at least
// BandImageReadBytes bytes, and either a class table (16-bit entries, one
// per face) or, with classesByObject, each object's faces in the next opaque
// class colour.
struct SceneSources {
    const uint8_t* model;
    size_t modelBytes;
    const uint8_t* picture;
    size_t pictureBytes;
    const uint8_t* classTable;
    size_t classTableBytes;
    bool classesByObject;
};

// With the sizes and the three buffers in Scene: reads the model and its face
// classes, resets the zoom (height / 4), builds the texture and height map,
// normalises the lights and prepares the mesh, in that order. The sources are
// used as they are: a model that cannot be read whole loses what the reader
// leaves out (checking first is the caller's, see scene_files.h).
void BuildScene(const SceneSources& sources);

// BuildScene from the embedded model, picture and class table.
void PrepareScene();

// PrepareScene with the model read from modelBytes bytes at model instead of
// the embedded stream (the fuzz target of the whole start-up uses it); faces
// past the embedded class table have no class and are not shaded.
void PrepareSceneFromModel(const uint8_t* model, size_t modelBytes);
