#include "platform/d3d9/raster/clip.h"

#include <utility>

namespace platform::d3d9::raster {
namespace {

// Plane order: near, far, w > 0, -x, +x, -y, +y, then the user planes.

float distance(const ClipVertex& v, int plane) {
    const float x = v.pos[0], y = v.pos[1], z = v.pos[2], w = v.pos[3];
    switch (plane) {
    case 0: return z;
    case 1: return w - z;
    case 2: return w - kMinW;
    case 3: return x + kGuardBand * w;
    case 4: return kGuardBand * w - x;
    case 5: return y + kGuardBand * w;
    case 6: return kGuardBand * w - y;
    default: return v.clipDist[plane - kFixedPlanes];
    }
}

void lerp(const ClipVertex& in, const ClipVertex& outside, float t, int userPlanes, int varyingCount,
          ClipVertex& r) {
    for (int j = 0; j < 4; ++j) r.pos[j] = in.pos[j] + (outside.pos[j] - in.pos[j]) * t;
    for (int j = 0; j < userPlanes; ++j) r.clipDist[j] = in.clipDist[j] + (outside.clipDist[j] - in.clipDist[j]) * t;
    for (int j = 0; j < varyingCount; ++j) r.varyings[j] = in.varyings[j] + (outside.varyings[j] - in.varyings[j]) * t;
}

}  // namespace

uint32_t outcode(const ClipVertex& v, int userPlanes) {
    // Written as "not inside" so that a NaN coordinate counts as outside and is clipped away.
    // The fixed planes are spelled out (the same expressions as distance()): this runs for every
    // vertex, and the per-plane switch cost more than the tests.
    const float x = v.pos[0], y = v.pos[1], z = v.pos[2], w = v.pos[3];
    uint32_t code = uint32_t(!(z >= 0.0f)) | uint32_t(!(w - z >= 0.0f)) << 1 | uint32_t(!(w - kMinW >= 0.0f)) << 2 |
                    uint32_t(!(x + kGuardBand * w >= 0.0f)) << 3 | uint32_t(!(kGuardBand * w - x >= 0.0f)) << 4 |
                    uint32_t(!(y + kGuardBand * w >= 0.0f)) << 5 | uint32_t(!(kGuardBand * w - y >= 0.0f)) << 6;
    for (int p = 0; p < userPlanes; ++p) {
        if (!(v.clipDist[p] >= 0.0f)) code |= 1u << (kFixedPlanes + p);
    }
    return code;
}

int clipPolygon(const ClipVertex* in, int n, uint32_t codeUnion, int userPlanes, int varyingCount,
                ClipVertex* out) {
    ClipVertex bufA[kMaxClippedVertices], bufB[kMaxClippedVertices];
    const ClipVertex* src = in;
    ClipVertex* dst = bufA;
    for (int p = 0; p < kFixedPlanes + userPlanes; ++p) {
        if (!(codeUnion & (1u << p))) continue;
        int m = 0;
        for (int i = 0; i < n; ++i) {
            const ClipVertex& a = src[i];
            const ClipVertex& b = src[(i + 1) % n];
            const float da = distance(a, p), db = distance(b, p);
            const bool ina = da >= 0.0f, inb = db >= 0.0f;
            if (ina) dst[m++] = a;
            if (ina != inb && m < kMaxClippedVertices) {
                if (ina) lerp(a, b, da / (da - db), userPlanes, varyingCount, dst[m++]);
                else lerp(b, a, db / (db - da), userPlanes, varyingCount, dst[m++]);
            }
            if (m >= kMaxClippedVertices) break;
        }
        n = m;
        if (n < 3) return 0;
        src = dst;
        dst = (dst == bufA) ? bufB : bufA;
    }
    for (int i = 0; i < n; ++i) out[i] = src[i];
    return n;
}

bool clipLine(ClipVertex& a, ClipVertex& b, uint32_t codeUnion, int userPlanes, int varyingCount) {
    for (int p = 0; p < kFixedPlanes + userPlanes; ++p) {
        if (!(codeUnion & (1u << p))) continue;
        const float da = distance(a, p), db = distance(b, p);
        const bool ina = da >= 0.0f, inb = db >= 0.0f;
        if (!ina && !inb) return false;
        if (ina && inb) continue;
        ClipVertex r;
        if (ina) {
            lerp(a, b, da / (da - db), userPlanes, varyingCount, r);
            b = r;
        } else {
            lerp(b, a, db / (db - da), userPlanes, varyingCount, r);
            a = r;
        }
    }
    return true;
}

}  // namespace platform::d3d9::raster
