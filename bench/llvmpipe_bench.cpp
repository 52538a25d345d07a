// The same scene drawn by OpenGL, for comparing Velmora's frame rate with a
// general-purpose software rasteriser (Mesa's llvmpipe) on the same machine.
// Each frame does the work a Velmora frame does, in the same three passes:
//   1. clears, the frame's rotation, zoom and screen mapping (Velmora's own
//      TransformModel, so both sides start from the same screen vertices);
//   2. every face depth-only into a pre-pass depth texture;
//   3. opaque faces lit per pixel (renormalised normal, three lights with
//      diffuse, ambient and a specular term on the front surface, the class
//      tint) with their own depth buffer;
//   4. translucent faces textured, bump-mapped from the height map and added
//      with saturation, testing but not writing that depth.
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
#include "assets/embedded_data.h"
#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "render/lights.h"
#include "render/model_transform.h"

namespace {

// Depths (negative ones too: smaller is nearer) are mapped linearly onto the
// depth range; nothing the scene draws lies beyond the clear value.
constexpr float FarDepth = 60000.1f;
constexpr uint32_t WarmUpFrames = 30;

const char* const VertexShader = R"(#version 330 core
layout(location = 0) in vec3 screen;   // column, row, depth
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 texel;
layout(location = 3) in float colorIndex;
uniform vec2 size;
uniform float farDepth;
out vec3 vNormal; out vec2 vTexel; out float vDepth; flat out int vClass;
void main() {
    vec2 ndc = vec2(screen.x / size.x * 2.0 - 1.0, 1.0 - screen.y / size.y * 2.0);
    gl_Position = vec4(ndc, screen.z / farDepth, 1.0);
    vNormal = normal; vTexel = texel; vDepth = screen.z; vClass = int(colorIndex);
})";

const char* const DepthOnlyShader = R"(#version 330 core
void main() {})";

const char* const ShadeShader = R"(#version 330 core
in vec3 vNormal; in vec2 vTexel; in float vDepth; flat in int vClass;
uniform vec2 size;
uniform float farDepth;
uniform sampler2D prepassDepth;
uniform sampler2D picture;
uniform sampler2D heights;
uniform vec3 lightDirection[3];
uniform vec3 lightDiffuse[3], lightAmbient[3], lightSpecular[3];
uniform vec3 classColor[9];
out vec4 color;
void main() {
    vec3 n = normalize(vNormal);
    float prepass = (texelFetch(prepassDepth, ivec2(gl_FragCoord.xy), 0).r * 2.0 - 1.0) * farDepth;
    bool front = vDepth + 1.1 >= prepass && vDepth - 1.1 < prepass;
    bool translucent = vClass == 0;
    if (translucent && front) {
        vec2 b = clamp(vTexel, 2.0, 124.0) / 128.0;
        float h = texture(heights, b).r, hx = texture(heights, b + vec2(1.0 / 128.0, 0)).r,
              hy = texture(heights, b + vec2(0, 1.0 / 128.0)).r;
        n = normalize(n + vec3((hx - h) * 255.0 * 0.023, (hy - h) * 255.0 * 0.023, 0.0));
    }
    vec3 sum = vec3(0.0);
    for (int i = 0; i < 3; ++i) {
        float d = dot(n, lightDirection[i]);
        if (!translucent) sum += lightDiffuse[i] * max(d, 0.0) + lightAmbient[i];
        if (front) { float s = d * d; s *= s; s *= s; s *= s; sum += lightSpecular[i] * s; }
    }
    sum = min(sum, vec3(255.0));
    if (translucent) sum *= texture(picture, clamp(vTexel, 0.0, 124.0) / 128.0).rgb * 255.0;
    color = vec4(sum * classColor[vClass] / 65025.0, 0.0);
})";

GLuint Compile(GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048];
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "llvmpipe-bench: shader: %s\n", log);
        std::exit(1);
    }
    return shader;
}

GLuint Link(const char* fragment) {
    const GLuint program = glCreateProgram();
    glAttachShader(program, Compile(GL_VERTEX_SHADER, VertexShader));
    glAttachShader(program, Compile(GL_FRAGMENT_SHADER, fragment));
    glLinkProgram(program);
    glUseProgram(program);
    glUniform2f(glGetUniformLocation(program, "size"), Scene.width, Scene.height);
    glUniform1f(glGetUniformLocation(program, "farDepth"), FarDepth);
    return program;
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

GLuint MakeTexture(GLenum internal, int width, int height, GLenum format, GLenum type, const void* data) {
    GLuint texture;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, internal, width, height, 0, format, type, data);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
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
    return framebuffer;
}

void SetLights(GLuint program) {
    for (int i = 0; i < LightCount; ++i) {
        const Light& l = LightTable[i];
        char name[64];
        auto set = [&](const char* field, const Vec4& v) {
            std::snprintf(name, sizeof name, "%s[%d]", field, i);
            glUniform3f(glGetUniformLocation(program, name), v.v[2], v.v[1], v.v[0]);  // stored b, g, r
        };
        set("lightDiffuse", l.diffuse);
        set("lightAmbient", l.ambient);
        set("lightSpecular", l.specular);
        std::snprintf(name, sizeof name, "lightDirection[%d]", i);
        glUniform3f(glGetUniformLocation(program, name), l.direction.v[0], l.direction.v[1], l.direction.v[2]);
    }
    for (int i = 0; i < ClassColorCount; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "classColor[%d]", i);
        const Vec4& c = ClassColorTable[i];
        glUniform3f(glGetUniformLocation(program, name), c.v[2], c.v[1], c.v[0]);
    }
    glUniform1i(glGetUniformLocation(program, "prepassDepth"), 0);
    glUniform1i(glGetUniformLocation(program, "picture"), 1);
    glUniform1i(glGetUniformLocation(program, "heights"), 2);
}

// One vertex per face corner: the screen vertex, the rotated normal, the
// texel and the class colour index (translucent faces last, as they are drawn).
struct GlVertex {
    float screen[3], normal[3], texel[2], colorIndex;
};

uint32_t BuildVertices(std::vector<GlVertex>& vertices) {
    vertices.clear();
    uint32_t opaqueCount = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (uint32_t i = 0; i < Scene.faceCount; ++i) {
            const FaceClass faceClass = FaceClassOf(i);
            if (faceClass == NoFaceClass || (faceClass == TranslucentFaceClass) != (pass == 1)) continue;
            const Face& f = ModelFaces[i];
            for (uint16_t index : {f.a, f.b, f.c}) {
                const Vec3& s = ScreenVertices[index];
                const Vec3& n = RotatedNormals[index];
                vertices.push_back({{s.x, s.y, s.z}, {n.x, n.y, n.z},
                                    {float(TexCoords[index].u), float(TexCoords[index].v)},
                                    float(ClassColorIndexOf(faceClass))});
            }
        }
        if (pass == 0) opaqueCount = static_cast<uint32_t>(vertices.size());
    }
    return opaqueCount;
}

void SetAttributes() {
    const GLsizei stride = sizeof(GlVertex);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(GlVertex, screen)));
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(GlVertex, normal)));
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(GlVertex, texel)));
    glVertexAttribPointer(3, 1, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(GlVertex, colorIndex)));
    for (GLuint i = 0; i < 4; ++i) glEnableVertexAttribArray(i);
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
    if (!OpenContext()) {
        std::fprintf(stderr, "llvmpipe-bench: no surfaceless OpenGL 3.3 context (Mesa's EGL)\n");
        return 1;
    }
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

    const int w = Scene.width, h = Scene.height;
    const GLuint prepassDepth = MakeTexture(GL_DEPTH_COMPONENT32F, w, h, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    const GLuint shadeDepth = MakeTexture(GL_DEPTH_COMPONENT32F, w, h, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    const GLuint colorTexture = MakeTexture(GL_RGBA8, w, h, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    const GLuint prepassTarget = MakeFramebuffer(0, prepassDepth);
    const GLuint shadeTarget = MakeFramebuffer(colorTexture, shadeDepth);
    glActiveTexture(GL_TEXTURE1);
    MakeTexture(GL_RGBA8, TextureSize, TextureSize, GL_BGRA, GL_UNSIGNED_BYTE, Texture);
    glActiveTexture(GL_TEXTURE2);
    MakeTexture(GL_R8, TextureSize, TextureSize, GL_RED, GL_UNSIGNED_BYTE, HeightMap);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, prepassDepth);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);

    const GLuint depthOnly = Link(DepthOnlyShader);
    const GLuint shade = Link(ShadeShader);
    SetLights(shade);

    GLuint vertexArray, vertexBuffer;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    SetAttributes();
    glViewport(0, 0, w, h);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glBlendFunc(GL_ONE, GL_ONE);  // fixed-point targets saturate the sum

    std::vector<GlVertex> vertices;
    vertices.reserve(Scene.faceCount * 3);
    auto drawFrame = [&] {
        TransformModel();
        const uint32_t opaqueCount = BuildVertices(vertices);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(GlVertex)), vertices.data(),
                     GL_STREAM_DRAW);
        const GLsizei total = static_cast<GLsizei>(vertices.size());
        glBindFramebuffer(GL_FRAMEBUFFER, prepassTarget);
        glDepthMask(GL_TRUE);
        glClear(GL_DEPTH_BUFFER_BIT);
        glUseProgram(depthOnly);
        glDrawArrays(GL_TRIANGLES, 0, total);
        glBindFramebuffer(GL_FRAMEBUFFER, shadeTarget);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glUseProgram(shade);
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(opaqueCount));
        glDepthMask(GL_FALSE);
        glEnable(GL_BLEND);
        glDrawArrays(GL_TRIANGLES, static_cast<GLint>(opaqueCount), total - static_cast<GLsizei>(opaqueCount));
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
    if (glGetError() != GL_NO_ERROR) {
        std::fprintf(stderr, "llvmpipe-bench: OpenGL reported an error\n");
        return 1;
    }
    CloseHeadlessScene();
    return 0;
}
