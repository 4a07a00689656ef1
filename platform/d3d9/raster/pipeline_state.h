// The plain-struct interface between the software device and its rasteriser.
//
// The device keeps the Direct3D state, its validation and its objects; on every draw it gathers the
// state that matters into one PipelineState, describes the vertex and index data in a DrawCall and
// the render target and depth buffer in Targets, and calls raster::draw. The rasteriser never sees a
// COM object or a D3D enum: every enum below is ours, and the device translates its own values into
// them. That keeps the rasteriser testable and benchmarkable on small memory targets without a device.
//
// Conventions callers rely on:
// - Matrices are row-major with row vectors (p' = p * M), exactly as the device stores them.
// - Colours given as 32-bit values are A8R8G8B8 (alpha in the top byte); colours given as Color4
//   are floats in 0..1 (lighting colours may exceed 1; results are clamped).
// - Every pointer is borrowed for the duration of the call only; nothing is retained.
// - Fields carry the device's defaults as initialisers, so a default-constructed PipelineState is
//   the state of a freshly created device (apart from the transforms, which are identities).
//
// Not modelled (the device should not pass them on; they keep their defaults): fog, stencil
// operations, specular lighting, point sprites, texture transforms, fill modes other than solid,
// separate alpha blending, vertex blending and shaders.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::d3d9::raster {

inline constexpr int kMaxLights = 8;
inline constexpr int kMaxClipPlanes = 6;
inline constexpr int kMaxTextureStages = 2;
inline constexpr int kMaxStreams = 4;
inline constexpr int kMaxMipLevels = 16;

// ---- value records ----------------------------------------------------------------------------

struct Mat4 {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    bool operator==(const Mat4&) const = default;
};

struct Vec3 {
    float x = 0, y = 0, z = 0;

    bool operator==(const Vec3&) const = default;
};

struct Color4 {
    float r = 0, g = 0, b = 0, a = 0;

    bool operator==(const Color4&) const = default;
};

// ---- texture views ----------------------------------------------------------------------------

// Texel formats of sampled textures. Packed formats name their channels from the most significant
// bit down, like the device's formats; L is luminance (replicated into r, g and b).
enum class TextureFormat : uint8_t {
    A8R8G8B8,
    X8R8G8B8,  // alpha reads as 1
    R5G6B5,    // alpha reads as 1
    X1R5G5B5,  // alpha reads as 1
    A1R5G5B5,
    A4R4G4B4,
    L8,        // alpha reads as 1
    A8,        // colour reads as 0 (black), alpha from the texel
    A8L8,
};

struct TextureLevel {
    const void* data = nullptr;  // first texel of the top row
    int32_t pitch = 0;           // bytes from one row to the next
    uint32_t width = 0;          // texels, at least 1
    uint32_t height = 0;
};

// A texture as the sampler sees it: the device's levels, largest first. The view must stay valid
// during the draw call it is passed to.
struct TextureView {
    TextureFormat format = TextureFormat::A8R8G8B8;
    uint32_t levelCount = 0;  // 1..kMaxMipLevels; 0 means "no texture"
    TextureLevel levels[kMaxMipLevels] = {};
};

// ---- sampler and texture stages ---------------------------------------------------------------

enum class AddressMode : uint8_t { Wrap, Mirror, Clamp, Border };

// Filters. None is only meaningful as a mip filter (no mipmapping: always level maxMipLevel);
// the device maps anisotropic and other filters it accepts to Linear.
enum class Filter : uint8_t { None, Point, Linear };

struct SamplerState {
    AddressMode addressU = AddressMode::Wrap;
    AddressMode addressV = AddressMode::Wrap;
    uint32_t borderColor = 0;  // A8R8G8B8, used by AddressMode::Border
    Filter magFilter = Filter::Point;
    Filter minFilter = Filter::Point;
    Filter mipFilter = Filter::None;
    float mipLodBias = 0.0f;   // added to the computed level of detail
    uint32_t maxMipLevel = 0;  // index of the largest (most detailed) level that may be used

    bool operator==(const SamplerState&) const = default;
};

// Texture stage operations. Disable on the colour operation ends the cascade at this stage (the
// result is the previous stage's); Disable on the alpha operation of a stage whose colour is
// enabled passes the current alpha through.
enum class TextureOp : uint8_t {
    Disable,
    SelectArg1,
    SelectArg2,
    Modulate,
    Modulate2x,
    Modulate4x,
    Add,
    AddSigned,
    Subtract,
};

// A stage argument: a source and optional modifiers.
enum class ArgSource : uint8_t {
    Diffuse,  // the interpolated vertex (lit) colour
    Current,  // the previous stage's result; the diffuse colour at stage 0
    Texture,  // the stage's texel; when the stage has no texture: white, with the current alpha
    TFactor,  // PipelineState::textureFactor
};

struct TextureArg {
    ArgSource source = ArgSource::Current;
    bool complement = false;      // 1 - x
    bool alphaReplicate = false;  // the alpha in every channel

    bool operator==(const TextureArg&) const = default;
};

struct TextureStage {
    TextureOp colorOp = TextureOp::Disable;
    TextureArg colorArg1 = {ArgSource::Texture};
    TextureArg colorArg2 = {ArgSource::Current};
    TextureOp alphaOp = TextureOp::Disable;
    TextureArg alphaArg1 = {ArgSource::Texture};
    TextureArg alphaArg2 = {ArgSource::Current};
    uint32_t texCoordIndex = 0;         // which vertex texture coordinate pair the stage samples
    const TextureView* texture = nullptr;  // null: no texture bound (see ArgSource::Texture)
    SamplerState sampler;

    bool operator==(const TextureStage&) const = default;
};

// Stage 0's defaults differ from the other stages' (modulate texture by diffuse).
inline constexpr TextureStage defaultStage0() {
    TextureStage s;
    s.colorOp = TextureOp::Modulate;
    s.alphaOp = TextureOp::SelectArg1;
    return s;
}

// ---- vertex layout ----------------------------------------------------------------------------

enum class ElementType : uint8_t {
    Float1,
    Float2,
    Float3,
    Float4,
    D3DColor,  // 4 bytes B, G, R, A in memory (an A8R8G8B8 value); read as r, g, b, a in 0..1
    UByte4,    // 4 unsigned bytes as 0..255
    UByte4N,   // 4 unsigned bytes as 0..1
    Short2,
    Short4,
    Short2N,   // signed shorts divided by 32767
    Short4N,
};

// One element of the vertex: where it is and how it is stored. Missing components take
// (0, 0, 0, 1) for x, y, z, w.
struct VertexElement {
    bool present = false;
    uint8_t stream = 0;    // index into DrawCall::streams
    uint16_t offset = 0;   // bytes from the start of the vertex
    ElementType type = ElementType::Float3;

    bool operator==(const VertexElement&) const = default;
};

inline constexpr int kMaxTexCoords = 2;

struct VertexLayout {
    VertexElement position;     // required; Float3 model-space position, or Float4 when pretransformed
    bool pretransformed = false;  // position is (screen x, screen y, z, 1/w): no transform, lighting,
                                  // user clip planes or viewport mapping
    VertexElement normal;
    VertexElement diffuse;      // colour 0
    VertexElement specular;     // colour 1 (only ever a material source; no specular lighting)
    VertexElement texCoord[kMaxTexCoords];

    bool operator==(const VertexLayout&) const = default;
};

// ---- lighting ---------------------------------------------------------------------------------

enum class LightType : uint8_t { Point, Spot, Directional };

struct Light {
    bool enabled = false;
    LightType type = LightType::Directional;
    Color4 diffuse;
    Color4 ambient;
    Vec3 position;    // world space (point and spot)
    Vec3 direction = {0, 0, 1};  // world space (spot and directional); the way the light travels
    float range = 0.0f;
    float falloff = 0.0f;
    float attenuation0 = 0.0f, attenuation1 = 0.0f, attenuation2 = 0.0f;
    float theta = 0.0f, phi = 0.0f;  // spot cone angles (radians)

    bool operator==(const Light&) const = default;
};

struct Material {
    Color4 diffuse;
    Color4 ambient;
    Color4 specular;
    Color4 emissive;
    float power = 0.0f;

    bool operator==(const Material&) const = default;
};

// Where a lighting input comes from (the device's material-source states).
enum class MaterialSource : uint8_t { Material, Color1, Color2 };

// ---- fixed-function pixel operations ----------------------------------------------------------

enum class CullMode : uint8_t {
    None,
    CW,   // discard triangles that appear clockwise on screen
    CCW,  // discard triangles that appear counter-clockwise on screen
};

enum class ShadeMode : uint8_t { Flat, Gouraud };

enum class CompareFunc : uint8_t { Never, Less, Equal, LessEqual, Greater, NotEqual, GreaterEqual, Always };

enum class BlendFactor : uint8_t {
    Zero,
    One,
    SrcColor,
    InvSrcColor,
    SrcAlpha,
    InvSrcAlpha,
    DestAlpha,
    InvDestAlpha,
    DestColor,
    InvDestColor,
    SrcAlphaSat,
};

enum class BlendOp : uint8_t { Add, Subtract, RevSubtract, Min, Max };

// Colour write mask bits.
inline constexpr uint8_t kWriteRed = 1, kWriteGreen = 2, kWriteBlue = 4, kWriteAlpha = 8;
inline constexpr uint8_t kWriteAll = 15;

struct Viewport {
    uint32_t x = 0, y = 0, width = 0, height = 0;  // pixels, inside the colour target
    float minZ = 0.0f, maxZ = 1.0f;

    bool operator==(const Viewport&) const = default;
};

// ---- the whole state of one draw ------------------------------------------------------------

struct PipelineState {
    // Transforms: model -> world -> view -> clip, row vectors.
    Mat4 world;
    Mat4 view;
    Mat4 projection;
    Viewport viewport;

    // Vertex stage.
    VertexLayout layout;
    bool lighting = true;
    Color4 ambient;                 // the global ambient level (the device's ambient render state)
    bool colorVertex = true;        // vertex colours may replace material colours (sources below)
    MaterialSource diffuseSource = MaterialSource::Color1;
    MaterialSource ambientSource = MaterialSource::Material;
    MaterialSource emissiveSource = MaterialSource::Material;
    bool normalizeNormals = false;  // normals are used as transformed, not made unit length
    Material material;
    Light lights[kMaxLights];

    // Primitive assembly.
    bool clipping = true;           // clip against the view volume (off: the caller promises the
                                    // geometry is inside; the rasteriser still never writes outside
                                    // the viewport)
    uint32_t clipPlaneEnable = 0;   // bit i enables clipPlanes[i]
    float clipPlanes[kMaxClipPlanes][4] = {};  // world space (a, b, c, d); keeps a*x+b*y+c*z+d >= 0
    CullMode cullMode = CullMode::CCW;
    ShadeMode shadeMode = ShadeMode::Gouraud;
    bool lastPixel = true;          // lines draw their last pixel

    // Pixel stage.
    TextureStage stages[kMaxTextureStages] = {defaultStage0(), TextureStage{}};
    uint32_t textureFactor = 0xFFFFFFFFu;  // A8R8G8B8

    bool alphaTestEnable = false;
    CompareFunc alphaFunc = CompareFunc::Always;
    uint8_t alphaRef = 0;           // compared with the pixel's alpha as 0..255

    bool alphaBlendEnable = false;
    BlendFactor srcBlend = BlendFactor::One;
    BlendFactor destBlend = BlendFactor::Zero;
    BlendOp blendOp = BlendOp::Add;

    uint8_t colorWriteMask = kWriteAll;

    bool zEnable = false;           // depth test (and write) only when on and a depth target exists
    bool zWriteEnable = true;
    CompareFunc zFunc = CompareFunc::LessEqual;

    bool operator==(const PipelineState&) const = default;
};

// ---- draw calls -------------------------------------------------------------------------------

enum class PrimitiveType : uint8_t { PointList, LineList, LineStrip, TriangleList, TriangleStrip, TriangleFan };

enum class IndexFormat : uint8_t { None, U16, U32 };

struct VertexStream {
    const std::byte* data = nullptr;  // vertex 0 of the stream (the device applies its offset)
    uint32_t stride = 0;
    uint32_t vertexCount = 0;         // vertices readable at data; anything past it is never read
};

// One draw. For a non-indexed draw, primitive i uses vertices baseVertex + (its position in the
// primitive sequence). For an indexed draw, the indices are read from `indices` (already offset by
// the start index) and baseVertex is added to each. A primitive that would read a vertex outside a
// stream's vertexCount, or an index past indexCount, is skipped rather than read out of bounds.
struct DrawCall {
    PrimitiveType type = PrimitiveType::TriangleList;
    uint32_t primitiveCount = 0;
    VertexStream streams[kMaxStreams];
    int32_t baseVertex = 0;
    IndexFormat indexFormat = IndexFormat::None;
    const void* indices = nullptr;
    uint32_t indexCount = 0;          // indices readable at `indices`
};

// ---- targets ----------------------------------------------------------------------------------

enum class ColorFormat : uint8_t {
    X8R8G8B8,  // the top byte is written as 0xFF when blending/clearing, never read as alpha
    A8R8G8B8,
};

enum class DepthFormat : uint8_t {
    D24S8,  // 32-bit words: depth in the top 24 bits (0..0xFFFFFF for 0..1), stencil in the low 8
};

struct ColorTarget {
    void* data = nullptr;
    int32_t pitch = 0;  // bytes
    uint32_t width = 0, height = 0;
    ColorFormat format = ColorFormat::X8R8G8B8;

    bool operator==(const ColorTarget&) const = default;
};

struct DepthTarget {
    void* data = nullptr;  // null: no depth buffer
    int32_t pitch = 0;
    uint32_t width = 0, height = 0;
    DepthFormat format = DepthFormat::D24S8;

    bool operator==(const DepthTarget&) const = default;
};

struct Targets {
    ColorTarget color;
    DepthTarget depth;

    bool operator==(const Targets&) const = default;
};

// ---- clear ------------------------------------------------------------------------------------

inline constexpr uint32_t kClearTarget = 1, kClearZBuffer = 2, kClearStencil = 4;

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
};

struct ClearRequest {
    uint32_t flags = 0;        // kClearTarget | kClearZBuffer | kClearStencil
    uint32_t color = 0;        // A8R8G8B8
    float z = 1.0f;            // 0..1
    uint32_t stencil = 0;      // low 8 bits used
    Viewport viewport;         // clearing never leaves the viewport
    const Rect* rects = nullptr;  // optional: clear only these (intersected with the viewport)
    uint32_t rectCount = 0;
};

}  // namespace platform::d3d9::raster
