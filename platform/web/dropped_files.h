// Files the user drops on the page (or picks with its file button), on their
// way from the page's thread to the frame loop: the page copies each drop
// into the module's memory once and leaves it here; the frame loop takes it
// between two frames, where no band is being drawn.
#pragma once
#include <cstddef>
#include <cstdint>

// One file of a drop: its name and bytes, both allocated by the page with
// malloc. A file the drop does not bring has no name.
struct DroppedFile {
    char* name;
    uint8_t* bytes;
    size_t size;
};

// The page numbers its offers, so that it knows which one an answer is about.
struct DroppedFiles {
    uint32_t offer;
    DroppedFile model;
    DroppedFile picture;
};

// The drop left since the last call, or nullptr; the caller owns it and
// gives it back to FreeDroppedFiles. Of two drops left before the frame loop
// came by, only the later one is taken: the earlier is freed untaken.
DroppedFiles* TakeDroppedFiles();

void FreeDroppedFiles(DroppedFiles* drop);
