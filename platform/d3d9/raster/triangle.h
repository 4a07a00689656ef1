// Filling set-up triangles: row spans from the edge functions, interpolation of the varyings, and
// batches of fragments for the pixel stage.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d9/raster/pixel_pipeline.h"
#include "platform/d3d9/raster/setup.h"

namespace platform::d3d9::raster {

// Which rows a thread draws: the rows in [firstRow, endRow) and, when count is above 1, only
// those with (y >> bandShift) % count == select. This is how the work of a large draw is split
// between threads without changing any pixel's value.
struct RowFilter {
    int bandShift = 0;
    int count = 1;
    int select = 0;
    int32_t firstRow = INT32_MIN;
    int32_t endRow = INT32_MAX;

    bool accepts(int y) const {
        return y >= firstRow && y < endRow && (count <= 1 || ((y >> bandShift) % count) == select);
    }
};

// The scissor narrowed to the filter's row range: triangles wholly outside it are turned down
// by set-up, before their planes are made.
inline Scissor rowScissor(const Scissor& s, const RowFilter& rows) {
    Scissor out = s;
    if (rows.firstRow > out.y0) out.y0 = rows.firstRow;
    if (rows.endRow < out.y1) out.y1 = rows.endRow;
    return out;
}

// Collects the fragments of consecutive triangles of one draw into batches of kSpanLength, so
// that small triangles (sphere facets, glyph halves) share the pixel stage's fixed costs. A
// batch never holds one pixel twice: when a triangle reaches a pixel already waiting in the
// batch, the batch is shaded first, so blending and depth see the earlier triangle's result.
// Interpolation is done per fragment from its own triangle's planes, as
// (base + dy * (y - refY)) + dx * (x - refX), so values never depend on how fragments are batched.
class FragmentBatcher {
public:
    FragmentBatcher(const PixelPipeline& p, const Scissor& scissor);
    FragmentBatcher(const FragmentBatcher&) = delete;
    FragmentBatcher& operator=(const FragmentBatcher&) = delete;

    void fillTriangle(const TriangleSetup& t, const RowFilter& rows);
    // Shades whatever is waiting; call before anything else reads the target.
    void flush();

private:
    void appendRun(const TriangleSetup& t, int y, int x0, int n);
    void drawPending();

    const PixelPipeline& m_p;
    Fragments m_f;
    int m_runs = 0;
    int m_lastY = 0, m_lastEnd = 0;  // the row and end of the last run, to spot contiguous runs
    bool m_contiguous = true;
    bool m_uniform = false;  // every waiting fragment has the diffuse colour m_f.uniformColor
    bool m_allMagnified[kMaxTextureStages] = {true, true};
    void markWaiting();
    void prepareTriangle(const TriangleSetup& t);

    // Per triangle: whether it has no perspective (q constant), then 1/q and the level of detail
    // of each stage are the same at every pixel and computed once.
    bool m_affine = false;
    float m_affineW = 1.0f;
    float m_affineLod[kMaxTextureStages] = {0, 0};
    int m_firstOfCurrent = 0;      // batch index of the current triangle's first fragment
    int m_firstRunOfCurrent = 0;   // and of its first run
    int m_marked = 0;              // runs [0, m_marked) are marked in the occupancy map
    // Per stage: fragments [0, m_lodFilled) have their level of detail written. While every
    // fragment of the batch is magnified the level of detail is not read, so flat magnified
    // triangles skip writing it; it is filled in (with 0, also magnified) if it comes to matter.
    int m_lodFilled[kMaxTextureStages] = {0, 0};
    std::vector<uint8_t>& m_occupied;  // per target word: waiting in the batch (this thread's map)
    // A sprite triangle held back to be drawn together with the next one when they form a quad
    // (direct_fill.h). The batch is empty while one is held.
    bool m_hasPending = false;
    TriangleSetup m_pending;
    RowFilter m_pendingRows;
};

}  // namespace platform::d3d9::raster
