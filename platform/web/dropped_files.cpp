#include "platform/web/dropped_files.h"

#include <emscripten.h>

#include <cstdlib>
#include <new>

namespace {

// The one drop waiting for the frame loop. The page's thread puts a drop in
// and the frame loop takes it out, each in one atomic exchange, so a drop is
// owned by exactly one side at any moment.
DroppedFiles* Waiting = nullptr;

void FreeFile(DroppedFile& file) {
    std::free(file.name);
    std::free(file.bytes);
}

}  // namespace

// Called by the page's thread (web_page.js) with a drop's files already
// copied into the module's memory; takes them over, even when it fails.
// 0 when there was no memory left for the drop's record.
extern "C" EMSCRIPTEN_KEEPALIVE int VelmoraLeaveDrop(uint32_t offer, char* modelName, uint8_t* modelBytes,
                                                     size_t modelSize, char* pictureName, uint8_t* pictureBytes,
                                                     size_t pictureSize) {
    DroppedFile model{modelName, modelBytes, modelSize};
    DroppedFile picture{pictureName, pictureBytes, pictureSize};
    auto* drop = new (std::nothrow) DroppedFiles{offer, model, picture};
    if (drop == nullptr) {
        FreeFile(model);
        FreeFile(picture);
        return 0;
    }
    FreeDroppedFiles(__atomic_exchange_n(&Waiting, drop, __ATOMIC_ACQ_REL));
    return 1;
}

DroppedFiles* TakeDroppedFiles() {
    // A plain load first: the frame loop asks once per frame, and almost
    // always nothing waits.
    if (__atomic_load_n(&Waiting, __ATOMIC_RELAXED) == nullptr) return nullptr;
    return __atomic_exchange_n(&Waiting, static_cast<DroppedFiles*>(nullptr), __ATOMIC_ACQ_REL);
}

void FreeDroppedFiles(DroppedFiles* drop) {
    if (drop == nullptr) return;
    FreeFile(drop->model);
    FreeFile(drop->picture);
    delete drop;
}
