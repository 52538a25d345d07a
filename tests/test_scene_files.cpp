// The user's own scene: the checks of a picture and a class table, and
// InstallScene, which builds the scene from files that pass and leaves the
// running scene as it was when one does not.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/scene_files.h"
#include "app/scene_setup.h"
#include "assets/band_image_check.h"
#include "assets/embedded_data.h"
#include "assets/face_classes.h"
#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "tests/support/chunk_writer.h"
#include "tests/support/scoped_scene_state.h"

namespace {

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<uint8_t> EmbeddedPicture() { return {BandImage, BandImage + BandImageBytes}; }

// Two triangles in two objects, as a user's 3DS file holds them (real lengths).
std::vector<uint8_t> TwoObjectModel() {
    ChunkWriter w;
    const size_t main = w.Header(0x4D4D);
    const size_t editor = w.Header(0x3D3D);
    for (float z : {0.0f, 1.0f}) {
        const size_t object = w.Header(0x4000);
        w.Text("part");
        const size_t mesh = w.Header(0x4100);
        const size_t vertices = w.Header(0x4110);
        w.U16(3);
        for (float corner : {0.0f, 1.0f, 2.0f}) {
            w.Float(corner);
            w.Float(corner * corner);
            w.Float(z);
        }
        w.CloseChunk(vertices);
        const size_t faces = w.Header(0x4120);
        w.U16(1);
        for (uint32_t word : {0u, 1u, 2u, 0u}) w.U16(word);
        w.CloseChunk(faces);
        w.CloseChunk(mesh);
        w.CloseChunk(object);
    }
    w.CloseChunk(editor);
    w.CloseChunk(main);
    return w.bytes;
}

SceneFile File(const char* name, const std::vector<uint8_t>& bytes) {
    return SceneFile{true, name, bytes.data(), bytes.size()};
}

}  // namespace

TEST(CheckBandImage, TakesTheEmbeddedFormOnlyAndSaysWhatElseItGot) {
    EXPECT_EQ(CheckBandImage(BandImage, BandImageBytes), "");
    const std::string expected =
        ", but a picture must be a 128 x 34 BMP with 8 bits per pixel, a 256-colour palette, rows stored bottom first "
        "and no compression";
    struct Case {
        size_t at;
        uint32_t value;
        std::string what;
    };
    const Case cases[] = {
        {18, 256, "a 256 x 34 BMP with 8 bits per pixel" + expected},
        {22, uint32_t(-34), "a 128 x 34 BMP with 8 bits per pixel, rows stored top first" + expected},
        {28, 24, "a 128 x 34 BMP with 24 bits per pixel" + expected},
        {30, 1, "a 128 x 34 BMP with 8 bits per pixel, compressed" + expected},
        {46, 16, "a 128 x 34 BMP with 8 bits per pixel, a 16-colour palette" + expected},
        {14, 124, "a 128 x 34 BMP with 8 bits per pixel, a 124-byte info header" + expected},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> picture = EmbeddedPicture();
        Put32(picture, c.at, c.value);
        // Fields of 2 bytes are followed by another field: write only those.
        if (c.at == 28) picture[30] = BandImage[30], picture[31] = BandImage[31];
        EXPECT_EQ(CheckBandImage(picture.data(), picture.size()), c.what) << "offset " << c.at;
    }
    std::vector<uint8_t> picture = EmbeddedPicture();
    picture.resize(BandImageBytes - 1);
    EXPECT_EQ(CheckBandImage(picture.data(), picture.size()),
              "cut short: 5429 bytes, but a 128 x 34 picture with its palette takes 5430");
    picture[0] = 'P';
    EXPECT_EQ(CheckBandImage(picture.data(), picture.size()).rfind("not a BMP picture; a picture must be", 0), 0u);
    EXPECT_EQ(CheckBandImage(picture.data(), 0), "the file is empty");
}

TEST(CheckFaceClassTable, OneClassFromOneToNinePerFace) {
    EXPECT_EQ(CheckFaceClassTable(FaceClassTable, sizeof FaceClassTable, FaceClassCount), "");
    const uint8_t table[] = {1, 0, 9, 0, 2, 0};
    EXPECT_EQ(CheckFaceClassTable(table, sizeof table, 3), "");
    EXPECT_EQ(CheckFaceClassTable(table, 5, 3), "5 bytes, but the model's 3 faces need 6: one 16-bit class per face");
    EXPECT_EQ(CheckFaceClassTable(table, sizeof table, 4),
              "6 bytes, but the model's 4 faces need 8: one 16-bit class per face");
    for (const uint16_t bad : {0, 10, 0x0101}) {
        uint8_t wrong[] = {1, 0, static_cast<uint8_t>(bad), static_cast<uint8_t>(bad >> 8), 2, 0};
        EXPECT_EQ(CheckFaceClassTable(wrong, sizeof wrong, 3),
                  "face 1 has class " + std::to_string(bad) + ", but classes run from 1 to 9");
    }
}

// A failed install touches nothing; a good one replaces the model, its
// classes and the picture, and starts the animation again.
TEST(InstallScene, BuildsFromFilesThatPassAndLeavesTheSceneOtherwise) {
    ScopedSceneState state;
    Scene.height = 100;
    PrepareScene();
    Scene.frameCounter = 77;
    const std::vector<Vec3> vertices(ModelVertices, ModelVertices + Scene.vertexCount);
    const std::vector<uint32_t> texture(Texture, Texture + TexelCount);

    const std::vector<uint8_t> model = TwoObjectModel();
    std::vector<uint8_t> badPicture = EmbeddedPicture();
    badPicture[28] = 24;
    const std::vector<uint8_t> threeClasses = {1, 0, 3, 0, 4, 0};
    const SceneFile none;
    auto expectRefused = [&](const SceneFiles& files, const std::string& expected) {
        std::string error;
        EXPECT_FALSE(InstallScene(files, error));
        EXPECT_EQ(error, expected);
        EXPECT_EQ(Scene.frameCounter, 77u);
        ASSERT_EQ(Scene.vertexCount, vertices.size());
        EXPECT_EQ(std::memcmp(ModelVertices, vertices.data(), vertices.size() * sizeof(Vec3)), 0);
        EXPECT_EQ(std::memcmp(Texture, texture.data(), texture.size() * 4), 0);
    };
    expectRefused({File("empty.3ds", {}), none, none}, "empty.3ds: the file is empty");
    expectRefused({File("two.3ds", model), none, File("c.bin", threeClasses)},
                  "c.bin: 6 bytes, but the model's 2 faces need 4: one 16-bit class per face");
    expectRefused({none, none, File("c.bin", threeClasses)},
                  "c.bin: 6 bytes, but the model's 1932 faces need 3864: one 16-bit class per face");
    expectRefused({File("two.3ds", model), File("p.bmp", badPicture), none},
                  "p.bmp: a 128 x 34 BMP with 24 bits per pixel, but a picture must be a 128 x 34 BMP with 8 bits "
                  "per pixel, a 256-colour palette, rows stored bottom first and no compression");

    // Without classes each object takes the next opaque colour.
    std::string error;
    ASSERT_TRUE(InstallScene({File("two.3ds", model), none, none}, error)) << error;
    EXPECT_EQ(Scene.frameCounter, 0u);
    ASSERT_EQ(Scene.faceCount, 2);
    EXPECT_EQ(FaceClassOf(0), 2);
    EXPECT_EQ(FaceClassOf(1), 3);

    // With them, and a picture whose every pixel is palette entry 0 (black).
    std::vector<uint8_t> black = EmbeddedPicture();
    std::memset(black.data() + 54, 0, 4);
    std::memset(black.data() + 1078, 0, 128 * 34);
    const std::vector<uint8_t> twoClasses = {1, 0, 9, 0};
    ASSERT_TRUE(InstallScene({File("two.3ds", model), File("black.bmp", black), File("c.bin", twoClasses)}, error));
    EXPECT_EQ(FaceClassOf(0), 1);
    EXPECT_EQ(FaceClassOf(1), 9);
    EXPECT_EQ(Texture[50 * TextureSize], 0u);
    EXPECT_EQ(Texture[83 * TextureSize + 127], 0u);
    PrepareScene();  // the embedded scene again for the tests that follow
}
