// The same scene drawn by OpenGL, for comparing Velmora's frame rate with a
// general-purpose software rasteriser (Mesa's llvmpipe) on the same machine.
// It is written as an OpenGL programmer would write this picture for speed:
// the model (positions, normals, texture coordinates, faces) goes into static
// buffers once; each frame sets only the turn and the zoom, and the vertex
// shader turns, zooms and maps the vertices to the screen (onto whole pixels,
// as Velmora does). Each frame draws Velmora's three passes, each with its own
// program:
//   1. every face depth-only into the pre-pass depth (a texture);
//   2. the opaque faces with their own depth buffer, one draw per run of one
//      class colour, lit per pixel as Velmora lights them: on the front
//      surface (within 1.1 of the pre-pass depth) the largest of the three
//      lights' specular, diffuse and ambient terms, elsewhere the sum of their
//      diffuse and ambient terms; tinted by the class colour;
//   3. the translucent faces, tested against that depth without writing it,
//      bump-mapped on the front surface (the height map's gradients are
//      computed once, at start-up, into a texture that is sampled bilinearly),
//      textured and added with saturation.
// The pictures are alike, not equal: this is a workload comparison, not a
// reference. Run it with Mesa's software driver and two threads:
//   LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe LP_NUM_THREADS=2
//   velmora-llvmpipe-bench [--screen WxH] [--frames A-B] [--picture FILE.ppm]
// It times each frame to glFinish and prints the same summary line as
// `velmora-render --bench`.
#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string_view>
#include <vector>

#include "app/frame_sequence.h"
#include "app/headless_scene.h"
#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "render/band_plan.h"
#include "render/buffer_clears.h"
#include "render/lights.h"
#include "render/model_transform.h"

namespace {

// Depths (negative ones too: smaller is nearer) are mapped linearly onto the
// depth range; nothing the scene draws lies beyond the clear value.
constexpr float FarDepth = DepthClearValue;
constexpr float FrontTolerance = 1.1f;  // Velmora's front-surface window, in depth units
constexpr float BumpScale = 0.023f;
constexpr uint32_t WarmUpFrames = 30;

// The band workers draw the opaque faces' pass first, then the translucent ones'.
constexpr int OpaquePassOrder = 0, TranslucentPassOrder = 1;
static_assert(PassesPerBand == 2);

// Vertex attribute locations.
constexpr GLuint PositionAttribute = 0, NormalAttribute = 1, TexelAttribute = 2;

// The turn (x' = x s + z c, y' = y, z' = x c - z s), the zoom and the mapping
// to whole pixels, as Velmora's transform and screen points do them.
// `invariant` gives the pre-pass and the shading passes the same depths.
const char* const TransformSource = R"(#version 330 core
layout(location = 0) in vec3 position;
uniform vec2 turn;   // cos, sin of the frame's angle
uniform float scale;
uniform vec2 size;   // picture width and height
uniform float farDepth;
invariant gl_Position;
vec3 Turn(vec3 v) { return vec3(v.x * turn.y + v.z * turn.x, v.y, v.x * turn.x - v.z * turn.y); }
vec4 ScreenPosition() {
    vec3 v = Turn(position) * scale;
    vec2 point = roundEven(v.xy + size * 0.5);
    return vec4(point.x / size.x * 2.0 - 1.0, 1.0 - point.y / size.y * 2.0, v.z / farDepth, 1.0);
}
)";

const char* const PrepassVertexSource = R"(
void main() { gl_Position = ScreenPosition(); })";

const char* const OpaqueVertexSource = R"(
layout(location = 1) in vec3 normal;
out vec3 vNormal;
void main() { gl_Position = ScreenPosition(); vNormal = Turn(normal); })";

const char* const TranslucentVertexSource = R"(
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 texel;
out vec3 vNormal;
out vec2 vTexel;
void main() { gl_Position = ScreenPosition(); vNormal = Turn(normal); vTexel = texel; })";

const char* const PrepassFragmentSource = R"(#version 330 core
void main() {})";

// The front-surface test and the three lights, shared by both shading passes.
const char* const LightingSource = R"(#version 330 core
uniform sampler2D prepassDepth;
uniform float frontTolerance;  // in window depth units
uniform vec3 lightDirection[3], lightDiffuse[3], lightAmbient[3], lightSpecular[3];
out vec4 color;
bool OnFrontSurface() {
    float nearest = texelFetch(prepassDepth, ivec2(gl_FragCoord.xy), 0).r;
    float z = gl_FragCoord.z;
    return z + frontTolerance >= nearest && z - frontTolerance < nearest;
}
float Specular(float d) { d *= d; d *= d; d *= d; return d * d; }
// Front surface: per channel the largest light term (specular, plus diffuse
// and ambient where lit); elsewhere the sum of the diffuse and ambient terms.
vec3 LightSum(vec3 n, bool front, bool diffuseOnFront) {
    vec3 largest = vec3(0.0), total = vec3(0.0);
    for (int k = 0; k < 3; ++k) {
        float d = dot(lightDirection[k], n);
        vec3 lit = max(d, 0.0) * lightDiffuse[k] + lightAmbient[k];
        total += lit;
        largest = max(largest, Specular(d) * lightSpecular[k] + (diffuseOnFront ? lit : vec3(0.0)));
    }
    return min(front ? largest : total, vec3(255.0));
}
// A channel of 0..65025 as Velmora stores it: shifted right by 8.
vec4 Stored(vec3 c) { return vec4(floor(c / 256.0) / 255.0, 0.0); }
)";

const char* const OpaqueFragmentSource = R"(
in vec3 vNormal;
uniform vec3 classColor;
void main() { color = Stored(LightSum(normalize(vNormal), OnFrontSurface(), true) * classColor); })";

const char* const TranslucentFragmentSource = R"(
in vec3 vNormal;
in vec2 vTexel;
uniform sampler2D picture;
uniform sampler2D gradients;  // the height map's across and down differences
uniform float bumpScale;
vec2 TexelCentre(vec2 t) { return (t + 0.5) / 128.0; }
void main() {
    bool front = OnFrontSurface();
    vec3 n = vNormal;
    if (front) n.xy += bumpScale * texture(gradients, TexelCentre(clamp(vTexel, 2.0, 124.0))).rg;
    vec3 sampled = texture(picture, TexelCentre(min(vTexel, 124.0))).rgb * 255.0;
    color = Stored(LightSum(normalize(n), front, false) * sampled);
})";

[[noreturn]] void Fail(const char* what, const char* detail = "") {
    std::fprintf(stderr, "llvmpipe-bench: %s%s\n", what, detail);
    std::exit(1);
}

// Stops with OpenGL's log when a shader did not compile or a program did not link.
template <typename GetStatus, typename GetLog>
void RequireSuccess(GLuint object, GLenum status, GetStatus getStatus, GetLog getLog, const char* what) {
    GLint ok = 0;
    getStatus(object, status, &ok);
    if (ok) return;
    char log[2048];
    getLog(object, sizeof log, nullptr, log);
    Fail(what, log);
}

GLuint Compile(GLenum kind, std::initializer_list<const char*> sources) {
    const std::vector<const char*> parts(sources);
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, static_cast<GLsizei>(parts.size()), parts.data(), nullptr);
    glCompileShader(shader);
    RequireSuccess(shader, GL_COMPILE_STATUS, glGetShaderiv, glGetShaderInfoLog, "shader: ");
    return shader;
}

// A program and where its per-frame uniforms are.
struct Program {
    GLuint name;
    GLint turn, scale;
};

// A program with the transform's uniforms set for this screen.
Program Link(GLuint vertexShader, GLuint fragmentShader) {
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glLinkProgram(program);
    RequireSuccess(program, GL_LINK_STATUS, glGetProgramiv, glGetProgramInfoLog, "program: ");
    glUseProgram(program);
    glUniform2f(glGetUniformLocation(program, "size"), Scene.width, Scene.height);
    glUniform1f(glGetUniformLocation(program, "farDepth"), FarDepth);
    return Program{program, glGetUniformLocation(program, "turn"), glGetUniformLocation(program, "scale")};
}

// Uses the program with the frame's turn and zoom.
void UseForThisFrame(const Program& program) {
    glUseProgram(program.name);
    glUniform2f(program.turn, Scene.rotation[0], Scene.rotation[1]);
    glUniform1f(program.scale, Scene.zoomScale);
}

// A surfaceless EGL context on the default device; the frames go to textures.
bool OpenContext() {
    auto getDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getDisplay) return false;
    EGLDisplay display = getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_API))
        return false;
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    return context != EGL_NO_CONTEXT && eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context);
}

GLuint MakeTexture(GLenum internal, int width, int height, GLenum format, GLenum type, const void* data,
                   GLenum filter) {
    GLuint texture;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, internal, width, height, 0, format, type, data);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

GLuint MakeFramebuffer(GLuint color, GLuint depth) {
    GLuint framebuffer;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    if (color) glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depth, 0);
    if (!color) glDrawBuffer(GL_NONE);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) Fail("incomplete framebuffer");
    return framebuffer;
}

// Colours are stored blue, green, red; OpenGL takes red, green, blue.
void SetColour(GLint location, const Vec4& bgr) { glUniform3f(location, bgr.v[2], bgr.v[1], bgr.v[0]); }

// Where element i of a uniform array is.
GLint ElementOf(GLuint program, const char* array, int i) {
    char name[64];
    std::snprintf(name, sizeof name, "%s[%d]", array, i);
    return glGetUniformLocation(program, name);
}

void SetLights(GLuint program) {
    glUseProgram(program);
    for (int i = 0; i < LightCount; ++i) {
        const Light& l = LightTable[i];
        SetColour(ElementOf(program, "lightDiffuse", i), l.diffuse);
        SetColour(ElementOf(program, "lightAmbient", i), l.ambient);
        SetColour(ElementOf(program, "lightSpecular", i), l.specular);
        glUniform3f(ElementOf(program, "lightDirection", i), l.direction.v[0], l.direction.v[1], l.direction.v[2]);
    }
    // Depths go to the window as 0.5 + depth / (2 far).
    glUniform1f(glGetUniformLocation(program, "frontTolerance"), FrontTolerance / (2.0f * FarDepth));
    glUniform1i(glGetUniformLocation(program, "prepassDepth"), 0);
    glUniform1i(glGetUniformLocation(program, "picture"), 1);
    glUniform1i(glGetUniformLocation(program, "gradients"), 2);
    glUniform1f(glGetUniformLocation(program, "bumpScale"), BumpScale);
}

// A difference of two heights as the span shader forms it: modulo 256, read
// as a signed byte.
float HeightDifference(int a, int b) { return static_cast<float>(static_cast<int8_t>(static_cast<uint8_t>(a - b))); }

// Per texel, the across (left minus right) and down (above minus below)
// differences of the height map, which the bump weighs bilinearly; texels
// the bump never reads (the map's border) stay 0.
std::vector<float> HeightGradients() {
    std::vector<float> gradients(static_cast<size_t>(TexelCount) * 2, 0.0f);
    auto height = [](int column, int row) { return HeightMap[row * TextureSize + column]; };
    for (int row = 1; row + 1 < TextureSize; ++row)
        for (int column = 1; column + 1 < TextureSize; ++column) {
            float* g = &gradients[(static_cast<size_t>(row) * TextureSize + column) * 2];
            g[0] = HeightDifference(height(column - 1, row), height(column + 1, row));
            g[1] = HeightDifference(height(column, row - 1), height(column, row + 1));
        }
    return gradients;
}

// The faces as one index list in the band workers' order (render/band_plan.h):
// each pass's faces in face order, the opaque pass first, split into runs of
// one class colour.
struct FaceRun {
    GLsizei first, count;  // in faces
    uint32_t classColorIndex;
};

struct FaceOrder {
    std::vector<uint16_t> indices;
    std::vector<FaceRun> runs[PassesPerBand];
};

FaceOrder OrderFaces() {
    TransformModel();  // which faces a pass draws depends on their corners having screen positions
    FaceOrder order;
    for (int pass = 0; pass < PassesPerBand; ++pass) {
        std::vector<FaceRun>& runs = order.runs[pass];
        for (uint32_t i = 0; i < DrawnFaceCount(); ++i) {
            if (!DrawnInPass(i, BandPass(pass))) continue;
            const uint32_t colour = ClassColorIndexOfFace(i);
            const GLsizei at = static_cast<GLsizei>(order.indices.size() / 3);
            if (runs.empty() || runs.back().classColorIndex != colour) runs.push_back({at, 0, colour});
            ++runs.back().count;
            const Face& f = ModelFaces[i];
            order.indices.insert(order.indices.end(), {f.a, f.b, f.c});
        }
    }
    return order;
}

GLuint StaticBuffer(GLenum target, GLsizeiptr bytes, const void* data) {
    GLuint buffer;
    glGenBuffers(1, &buffer);
    glBindBuffer(target, buffer);
    glBufferData(target, bytes, data, GL_STATIC_DRAW);
    return buffer;
}

void DrawFaces(const FaceRun& run) {
    glDrawElements(GL_TRIANGLES, run.count * 3, GL_UNSIGNED_SHORT,
                   reinterpret_cast<void*>(static_cast<uintptr_t>(run.first) * 3 * sizeof(uint16_t)));
}

// The last frame as a binary PPM, to see that the scene drawn is Velmora's.
bool WritePicture(const char* path, int width, int height) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    for (int row = height - 1; row >= 0; --row)  // OpenGL's rows run bottom to top
        for (int column = 0; column < width; ++column) std::fwrite(&rgba[(static_cast<size_t>(row) * width + column) * 4], 1, 3, file);
    return std::fclose(file) == 0;
}

bool ParseArguments(int argc, char** argv, int& screenWidth, int& screenHeight, uint32_t& first, uint32_t& last,
                    const char*& picture) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view flag = argv[i];
        if (flag == "--picture") { picture = argv[i + 1]; continue; }
        if (flag == "--screen" && std::sscanf(argv[i + 1], "%dx%d", &screenWidth, &screenHeight) == 2) continue;
        if (flag == "--frames" && std::sscanf(argv[i + 1], "%u-%u", &first, &last) == 2 && first <= last) continue;
        return false;
    }
    return argc % 2 == 1;
}

}  // namespace

int main(int argc, char** argv) {
    int screenWidth = 1920, screenHeight = 1080;
    uint32_t first = 0, last = 1823;
    const char* picture = nullptr;
    if (!ParseArguments(argc, argv, screenWidth, screenHeight, first, last, picture)) {
        std::fprintf(stderr, "usage: velmora-llvmpipe-bench [--screen WxH] [--frames A-B] [--picture FILE.ppm]\n");
        return 2;
    }
    if (!OpenHeadlessScene(screenWidth, screenHeight)) {
        std::fprintf(stderr, "llvmpipe-bench: unusable screen %dx%d\n", screenWidth, screenHeight);
        return 1;
    }
    if (!OpenContext()) Fail("no surfaceless OpenGL 3.3 context (Mesa's EGL)");
    const char* threads = std::getenv("LP_NUM_THREADS");
    std::printf("renderer: %s, LP_NUM_THREADS=%s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                threads ? threads : "(unset)");

    const int w = Scene.width, h = Scene.height;
    glActiveTexture(GL_TEXTURE1);
    MakeTexture(GL_RGBA8, TextureSize, TextureSize, GL_BGRA, GL_UNSIGNED_BYTE, Texture, GL_LINEAR);
    glActiveTexture(GL_TEXTURE2);
    const std::vector<float> gradients = HeightGradients();
    MakeTexture(GL_RG32F, TextureSize, TextureSize, GL_RG, GL_FLOAT, gradients.data(), GL_LINEAR);
    glActiveTexture(GL_TEXTURE0);
    const GLuint prepassDepth = MakeTexture(GL_DEPTH_COMPONENT32F, w, h, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr, GL_NEAREST);
    const GLuint shadeDepth = MakeTexture(GL_DEPTH_COMPONENT32F, w, h, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr, GL_NEAREST);
    const GLuint colorTexture = MakeTexture(GL_RGBA8, w, h, GL_RGBA, GL_UNSIGNED_BYTE, nullptr, GL_NEAREST);
    const GLuint prepassTarget = MakeFramebuffer(0, prepassDepth);
    const GLuint shadeTarget = MakeFramebuffer(colorTexture, shadeDepth);
    glBindTexture(GL_TEXTURE_2D, prepassDepth);  // read by both shading passes

    const Program prepass = Link(Compile(GL_VERTEX_SHADER, {TransformSource, PrepassVertexSource}),
                                 Compile(GL_FRAGMENT_SHADER, {PrepassFragmentSource}));
    const Program opaque = Link(Compile(GL_VERTEX_SHADER, {TransformSource, OpaqueVertexSource}),
                               Compile(GL_FRAGMENT_SHADER, {LightingSource, OpaqueFragmentSource}));
    const Program translucent = Link(Compile(GL_VERTEX_SHADER, {TransformSource, TranslucentVertexSource}),
                                    Compile(GL_FRAGMENT_SHADER, {LightingSource, TranslucentFragmentSource}));
    SetLights(opaque.name);
    SetLights(translucent.name);
    const GLint classColor = glGetUniformLocation(opaque.name, "classColor");

    // The model, once: positions alone for the pre-pass; with normals and
    // texture coordinates for the shading passes.
    const FaceOrder faces = OrderFaces();
    const GLsizeiptr vec3Bytes = static_cast<GLsizeiptr>(Scene.vertexCount * sizeof(Vec3));
    const GLuint positions = StaticBuffer(GL_ARRAY_BUFFER, vec3Bytes, ModelVertices);
    const GLuint normals = StaticBuffer(GL_ARRAY_BUFFER, vec3Bytes, VertexNormals);
    const GLuint texels = StaticBuffer(GL_ARRAY_BUFFER, Scene.vertexCount * sizeof(TexCoord), TexCoords);
    GLuint arrays[2];
    glGenVertexArrays(2, arrays);
    const GLuint positionsOnly = arrays[0], shadeVertices = arrays[1];
    for (GLuint vertexArray : arrays) {
        glBindVertexArray(vertexArray);
        StaticBuffer(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(faces.indices.size() * sizeof(uint16_t)),
                     faces.indices.data());
        glBindBuffer(GL_ARRAY_BUFFER, positions);
        glVertexAttribPointer(PositionAttribute, 3, GL_FLOAT, GL_FALSE, sizeof(Vec3), nullptr);
        glEnableVertexAttribArray(PositionAttribute);
        if (vertexArray == positionsOnly) continue;
        glBindBuffer(GL_ARRAY_BUFFER, normals);
        glVertexAttribPointer(NormalAttribute, 3, GL_FLOAT, GL_FALSE, sizeof(Vec3), nullptr);
        glEnableVertexAttribArray(NormalAttribute);
        glBindBuffer(GL_ARRAY_BUFFER, texels);
        glVertexAttribPointer(TexelAttribute, 2, GL_SHORT, GL_FALSE, sizeof(TexCoord), nullptr);
        glEnableVertexAttribArray(TexelAttribute);
    }
    const FaceRun allFaces{0, static_cast<GLsizei>(faces.indices.size() / 3), 0};

    glViewport(0, 0, w, h);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glBlendFunc(GL_ONE, GL_ONE);  // fixed-point targets saturate the sum

    auto drawFrame = [&] {
        ComputeRotation();  // the frame's turn and zoom, as Velmora's transform takes them
        StepZoom();
        glBindFramebuffer(GL_FRAMEBUFFER, prepassTarget);
        glDepthMask(GL_TRUE);
        glClear(GL_DEPTH_BUFFER_BIT);
        UseForThisFrame(prepass);
        glBindVertexArray(positionsOnly);
        DrawFaces(allFaces);

        glBindFramebuffer(GL_FRAMEBUFFER, shadeTarget);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        UseForThisFrame(opaque);
        glBindVertexArray(shadeVertices);
        for (const FaceRun& run : faces.runs[OpaquePassOrder]) {
            SetColour(classColor, ClassColorTable[run.classColorIndex]);
            DrawFaces(run);
        }
        UseForThisFrame(translucent);
        glDepthMask(GL_FALSE);
        glEnable(GL_BLEND);
        for (const FaceRun& run : faces.runs[TranslucentPassOrder]) DrawFaces(run);
        glDisable(GL_BLEND);
        glFinish();
        AdvanceFrame();
    };

    using Clock = std::chrono::steady_clock;
    SeekFrame(first);
    for (uint32_t i = 0; i < WarmUpFrames; ++i) drawFrame();
    SeekFrame(first);
    std::vector<double> times;
    for (uint32_t frame = first;; ++frame) {
        const Clock::time_point start = Clock::now();
        drawFrame();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (frame == last) break;
    }
    const double mean = std::accumulate(times.begin(), times.end(), 0.0) / static_cast<double>(times.size());
    std::sort(times.begin(), times.end());
    const auto at = [&](double f) { return times[static_cast<size_t>(f * static_cast<double>(times.size() - 1) + 0.5)]; };
    std::printf("llvmpipe bench: %dx%d, frames %u-%u: median %.3f ms, p99 %.3f ms, max %.3f ms, mean %.3f ms\n", w, h,
                first, last, at(0.5), at(0.99), times.back(), mean);
    std::printf("fps: %.1f (median frame), %.1f (mean over the run)\n", 1000.0 / at(0.5), 1000.0 / mean);
    if (picture && !WritePicture(picture, w, h)) {
        std::fprintf(stderr, "llvmpipe-bench: cannot write %s\n", picture);
        return 1;
    }
    if (glGetError() != GL_NO_ERROR) Fail("OpenGL reported an error");
    CloseHeadlessScene();
    return 0;
}
