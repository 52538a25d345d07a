// assetgen [--counts] OUTDIR: writes model.3ds, band.bmp and face_classes.bin,
// the data the program embeds. The output is the same on every run and every
// machine. --counts lists each part's face and vertex counts as built.
#include <cstdio>
#include <string>
#include <vector>

#include "band_picture.h"
#include "face_class_table.h"
#include "model_file.h"
#include "tv_model.h"

static bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

int main(int argc, char** argv) {
    const bool counts = argc == 3 && std::string(argv[1]) == "--counts";
    if (argc != 2 && !counts) {
        std::fprintf(stderr, "usage: assetgen [--counts] OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[argc - 1];
    const std::vector<uint8_t> model = EncodeModel(BuildTelevision(counts ? stderr : nullptr));
    const bool ok = WriteFile(dir + "/model.3ds", model) && WriteFile(dir + "/band.bmp", EncodeBandPicture()) &&
                    WriteFile(dir + "/face_classes.bin", EncodeFaceClasses());
    if (!ok) {
        std::fprintf(stderr, "assetgen: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
