#include "app/scene_files.h"

#include "app/frame_sequence.h"
#include "app/scene_setup.h"
#include "assets/band_image_check.h"
#include "assets/embedded_data.h"
#include "assets/face_classes.h"
#include "assets/model_reader.h"

namespace {

std::string Problem(const SceneFile& file, const std::string& problem) {
    return problem.empty() ? problem : file.name + ": " + problem;
}

// The file's bytes, or the embedded ones in its place.
struct Bytes {
    const uint8_t* data;
    size_t size;
};
Bytes Chosen(const SceneFile& file, const uint8_t* embedded, size_t embeddedSize) {
    return file.given ? Bytes{file.bytes, file.size} : Bytes{embedded, embeddedSize};
}

}  // namespace

std::string CheckSceneFiles(const SceneFiles& files) {
    uint32_t faceCount = FaceClassCount;
    if (files.model.given) {
        const ModelCheck model = CheckModel(files.model.bytes, files.model.size);
        if (!model.problem.empty()) return Problem(files.model, model.problem);
        faceCount = model.faceCount;
    }
    if (files.classes.given) {
        const std::string problem = CheckFaceClassTable(files.classes.bytes, files.classes.size, faceCount);
        if (!problem.empty()) return Problem(files.classes, problem);
    }
    if (files.picture.given) return Problem(files.picture, CheckBandImage(files.picture.bytes, files.picture.size));
    return "";
}

bool InstallScene(const SceneFiles& files, std::string& error) {
    error = CheckSceneFiles(files);
    if (!error.empty()) return false;
    const Bytes model = Chosen(files.model, EmbeddedModel, EmbeddedModelBytes);
    const Bytes picture = Chosen(files.picture, BandImage, BandImageBytes);
    const Bytes classes = Chosen(files.classes, FaceClassTable, sizeof FaceClassTable);
    const bool byObject = files.model.given && !files.classes.given;
    BuildScene({model.data, model.size, picture.data, picture.size, classes.data, classes.size, byObject});
    SeekFrame(0);
    return true;
}
