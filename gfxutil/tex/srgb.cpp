#include "gfxutil/tex/srgb.h"

#include <array>
#include <cmath>

namespace gfxutil::tex {
namespace {

struct Tables {
    std::array<float, 256> encode;  // E[i] = (i / 254)^(2 / 2.2), E[255] = 1
    std::array<float, 256> decode;  // D[i] = (i / 254)^1.1, D[255] = 1
};

const Tables& tables() {
    static const Tables t = [] {
        Tables r{};
        for (int i = 0; i <= 254; ++i) {
            const double x = static_cast<double>(i) / 254.0;
            r.encode[static_cast<std::size_t>(i)] = static_cast<float>(std::pow(x, 2.0 / 2.2));
            r.decode[static_cast<std::size_t>(i)] = static_cast<float>(std::pow(x, 1.1));
        }
        r.encode[255] = 1.0f;
        r.decode[255] = 1.0f;
        return r;
    }();
    return t;
}

float clampUnit(float v) {
    if (!(v > 0.0f)) {
        return 0.0f;  // also NaN
    }
    return v < 1.0f ? v : 1.0f;
}

float interpolate(const std::array<float, 256>& table, float c) {
    const int i = static_cast<int>(c);
    const auto at = static_cast<std::size_t>(i);
    return table[at] + (table[at + 1] - table[at]) * (c - static_cast<float>(i));
}

}  // namespace

float linearToSrgb(float v) { return interpolate(tables().encode, std::sqrt(clampUnit(v)) * 254.0f); }

float srgbToLinear(float v) {
    const float u = clampUnit(v);
    return interpolate(tables().decode, u * u * 254.0f);
}

}  // namespace gfxutil::tex
