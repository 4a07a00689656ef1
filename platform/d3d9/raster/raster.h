// The software rasteriser's entry points: the device's fixed-function pipeline, from vertex fetch to
// the render target, on plain memory described by pipeline_state.h.
//
// What callers rely on:
// - Direct3D 9 rasterisation conventions: pixel centres at integer coordinates, the top-left fill
//   rule (shared edges are hit exactly once), clipping in homogeneous space, user clip planes in
//   world space, culling by screen-space winding, one-pixel lines that draw their last pixel unless
//   PipelineState::lastPixel is off, perspective-correct colours and texture coordinates.
// - Determinism: the same inputs give the same bytes. Every pixel's value is computed from the
//   primitive alone (no running sums across pixels), so how the work is split cannot change it;
//   large draws are split by bands of rows between two threads (workers.h), and DrawQueue
//   shares runs of small draws between them, in order wherever they overlap.
// - Not reentrant across threads for one target: draws to the same target must come from one
//   thread at a time (as the device's do).
// - Bad draw descriptions never read or write outside the memory they describe: primitives whose
//   vertices or indices fall outside the given counts are skipped, and nothing is drawn outside the
//   viewport clipped to the target.
//
// Choices made where nothing fixed them:
// - 8 bits of sub-pixel precision for vertex positions; edge functions in 64-bit integers.
// - Clipping against the view volume is done for the near and far planes and for a guard band of
//   eight viewports in x and y; what lies between the viewport and the guard band is discarded by
//   the span limits, which gives the same pixels as a full clip at a fraction of the cost.
// - Normals are transformed by the inverse transpose of the world-view matrix (the same as the
//   world-view matrix for rotations, reflections and translations), lighting is done in view space.
// - Colours are carried as floats in 0..1 through the pixel stage and rounded to bytes once, at the
//   target (x * 255 + 0.5, truncated).
// - The common cases have paths of their own: flat triangles whose colour goes to the target
//   unchanged are written row by row from the one colour; batches of one flat colour keep just
//   that colour; one stage modulating its texture by the diffuse colour skips the general stage
//   cascade; bilinear-clamp and point-wrap sampling of 32-bit textures, interpolation along a
//   run, the alpha test and blending work on four pixels at once (SSE2); sprite triangles,
//   textured scenery, untextured lit triangles and lines are shaded straight into the target
//   without the fragment batch (direct_fill.h), eight pixels (or triangles) at once where the
//   processor has AVX2 and sixteen where it has AVX-512F. Each performs the general path's
//   floating-point operations in the same order, so the bytes are the same whichever path a pixel
//   takes; the tests compare the paths with each other.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/d3d9/raster/pipeline_state.h"

namespace platform::d3d9::raster {

// Draws call.primitiveCount primitives with the state into the targets.
void draw(const PipelineState& state, const DrawCall& call, const Targets& targets);

// Clears the requested buffers inside the viewport (and the rectangles, when given).
void clear(const ClearRequest& request, const Targets& targets);

// Copies `rows` rows of `rowBytes` bytes from src to dst, rows srcPitch and dstPitch bytes apart
// (the two areas must not overlap). A large copy (a frame being presented) is shared between the
// threads like a clear: each core then copies rows its own cache mostly holds, which is several
// times faster than one core reading them all.
void copyRows(void* dst, ptrdiff_t dstPitch, const void* src, ptrdiff_t srcPitch, size_t rowBytes, int32_t rows);

// The rectangle inside which a draw may touch pixels, as DrawQueue orders held draws by it: the
// bounds of its vertices on the screen with a margin, or the whole viewport when a vertex lies
// behind the eye. For tests.
Rect drawBounds(const PipelineState& state, const DrawCall& call, const Targets& targets);

// Draws and clears like draw() and clear(), except that small untextured triangle draws (a
// sphere) are held back and drawn by all threads together: one such draw is too small to share
// by rows, but a frame has a hundred of them. The helpers start on the first held draw while the
// caller goes on to the next; held draws whose rectangles on the screen overlap are drawn in the
// order they came, each by one thread, so the bytes are those of drawing each at once, whatever
// the thread count. Lines are not held that way (a long line's rectangle meets most others, so
// held lines would mostly wait for each other); instead, consecutive untextured line-list draws
// of one state are gathered into one draw (a frame's springs: forty draws of one line each),
// which is drawn when anything else comes: a draw's fixed costs are most of a short line's.
// Each line is drawn as it would be alone, in order, so that too gives the bytes of drawing each
// at once. Points are drawn at once.
//
// A held draw has already copied its vertices and indices (the caller may change them at once);
// what it still uses is the target memory, which must stay where it is, and must not be read or
// written other than through the queue, until finish() returns. Textured draws, draws of a few
// triangles that cover much of the screen, and clears finish the queue first and then run as
// draw() and clear() do. A large mesh of many triangles is held like a small one (telling would
// cost a second vertex stage) and drawn by one thread. One calling thread at a time.
//
// Clearing the depth buffer is put off until something uses it: a scene that never turns the
// depth test on (the demo) would otherwise clear 4 bytes a pixel every frame for nothing. The
// pending clear is carried out before the first draw that tests depth against that buffer, by
// the next clear of it unless that one covers it, and by settle(); finish() leaves it pending.
// So the depth memory is only current after settle(), which must also come before that memory
// is released or handed to another queue.
class DrawQueue {
public:
    DrawQueue();
    ~DrawQueue();  // finishes; a depth clear still pending is dropped (settle() first to keep it)
    DrawQueue(const DrawQueue&) = delete;
    DrawQueue& operator=(const DrawQueue&) = delete;

    void draw(const PipelineState& state, const DrawCall& call, const Targets& targets);
    void clear(const ClearRequest& request, const Targets& targets);
    // Draws everything held back (and gathered) and returns when it is in the targets.
    void finish();
    // finish(), and carries out a pending depth clear: afterwards every target's memory is current.
    void settle();
    // Whether a depth clear is pending (for tests).
    bool depthClearPending() const;
    // How many draws have been held back since the queue was last finished (for tests).
    size_t held() const { return m_count; }

    struct Held;  // a held draw (internal)

private:
    struct Run;
    void drawHeld();

    std::vector<std::unique_ptr<Held>> m_held;
    size_t m_count = 0;
    std::unique_ptr<Run> m_run;

    struct LineBatch;
    // Draws the gathered lines, if any.
    void drawLines();
    std::unique_ptr<LineBatch> m_lines;

    struct DepthClear;
    // Carries out the pending depth clear, if any.
    void clearDepth();
    std::unique_ptr<DepthClear> m_depth;
};

// How many threads share the pixel work of large draws (1 to 8; 2 by default on a machine with
// two hardware threads). The result is the same bytes whatever the count.
void setThreadCount(int count);
int threadCount();

// Benchmark knobs: where to stop the pipeline, so that a benchmark can tell how the time of a frame
// splits into vertex work, set-up and filling. Never used by the device; Full by default.
enum class StopAfter : uint8_t { Vertex, Setup, Full };
void setStopAfter(StopAfter stop);

// Test and benchmark knob: off sends every triangle through the general fragment batch instead
// of the row-by-row paths of the commonest states, so that tests can compare the bytes of both.
// Never used by the device; on by default.
void setDirectFill(bool on);

// Test and benchmark knob: whether the 8-lane (AVX2) loops may be used on a processor that has
// them; off keeps the 4-lane (SSE2) loops every x86-64 processor has. The bytes are the same
// either way. On by default.
void setWideLanes(bool on);

// Test and benchmark knob: whether the 16-lane (AVX-512) loops (sprites, scenery, facets, lines,
// one-colour blends) may be used where the 8-lane loops are and the processor has AVX-512F; off
// keeps the 8-lane ones. The bytes are the
// same either way. On by default.
void setWidestLanes(bool on);

}  // namespace platform::d3d9::raster
