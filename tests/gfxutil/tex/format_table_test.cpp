#include "gfxutil/tex/format_table.h"

#include <gtest/gtest.h>

#include <set>

namespace gfxutil::tex {
namespace {

// A request shaped like an existing row, optionally with another code and alpha.
FormatDescription requestLike(D3DFORMAT format, D3DFORMAT code, UINT alphaBits) {
    FormatDescription q = lookupFormat(format);
    q.format = code;
    q.alphaBits = alphaBits;
    return q;
}

TEST(FormatTable, EveryRowIsFoundByItsCode) {
    std::set<DWORD> seen;
    for (const FormatDescription& row : formatTable()) {
        SCOPED_TRACE(row.format);
        EXPECT_TRUE(seen.insert(row.format).second) << "duplicate row";
        const FormatDescription& found = lookupFormat(row.format);
        EXPECT_EQ(&found, &row);
    }
    EXPECT_EQ(formatTable().size(), 57u);
}

TEST(FormatTable, UnknownCodeYieldsTheUnknownRow) {
    constexpr DWORD kCodes[] = {0, 1, 19, 99, 0x12345678};
    for (DWORD code : kCodes) {
        SCOPED_TRACE(code);
        const FormatDescription& row = lookupFormat(static_cast<D3DFORMAT>(code));
        EXPECT_EQ(row.format, D3DFMT_UNKNOWN);
        EXPECT_EQ(row.kind, FormatKind::Colour);
        EXPECT_EQ(row.bitsPerPixel, 32u);
        EXPECT_EQ(row.extraBits, 0u);
        EXPECT_EQ(row.alphaBits, 8u);
        EXPECT_EQ(row.redBits, 8u);
        EXPECT_EQ(row.greenBits, 8u);
        EXPECT_EQ(row.blueBits, 8u);
        EXPECT_FALSE(row.autoChoice);
    }
}

TEST(FormatTable, InternalFormatsMapToDeviceFormats) {
    struct Case {
        D3DFORMAT in;
        D3DFORMAT out;
    };
    constexpr Case kCases[] = {
        {kFormatAL16, D3DFMT_A8L8},     {kFormatR16, D3DFMT_R8G8B8},     {D3DFMT_A8L8, D3DFMT_A8L8},
        {D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8}, {D3DFMT_UNKNOWN, D3DFMT_UNKNOWN},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(mapInternalFormat(c.in), c.out);
    }
    EXPECT_EQ(static_cast<DWORD>(kFormatAL16), MAKEFOURCC('A', 'L', '1', '6'));
    EXPECT_EQ(static_cast<DWORD>(kFormatR16), MAKEFOURCC(' ', 'R', '1', '6'));
}

TEST(FormatTable, KindCompatibility) {
    using K = FormatKind;
    struct Case {
        K requested;
        K candidate;
        bool allowed;
    };
    constexpr Case kCases[] = {
        {K::Colour, K::Colour, true},        {K::Colour, K::Palette, false},     {K::Colour, K::Luminance, false},
        {K::Colour, K::Signed, false},       {K::Colour, K::DepthStencil, false}, {K::Palette, K::Colour, true},
        {K::Palette, K::Palette, true},      {K::Palette, K::Luminance, false},  {K::Luminance, K::Colour, true},
        {K::Luminance, K::Luminance, true},  {K::Luminance, K::Palette, false},  {K::Signed, K::Signed, true},
        {K::Signed, K::Colour, false},       {K::DepthStencil, K::DepthStencil, true},
        {K::DepthStencil, K::Colour, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(static_cast<int>(c.requested) * 10 + static_cast<int>(c.candidate));
        EXPECT_EQ(kindsCompatible(c.requested, c.candidate), c.allowed);
    }
}

TEST(FormatTable, Distances) {
    struct Case {
        const char* name;
        D3DFORMAT request;
        D3DFORMAT candidate;
        bool usable;
        UINT distance;
    };
    constexpr Case kCases[] = {
        {"same layout, other order", D3DFMT_X8R8G8B8, D3DFMT_X8B8G8R8, true, 0},
        {"gains an alpha channel", D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, true, 256},
        {"gains 2 alpha and 6 colour bits", D3DFMT_X8R8G8B8, D3DFMT_A2R10G10B10, true, 262},
        {"loses 3+2+3 bits", D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, true, 0x80000},
        {"loses blue", D3DFMT_X8R8G8B8, D3DFMT_G16R16, true, 16777216 + 16},
        {"loses every requested channel", D3DFMT_L8, D3DFMT_A8, false, 0},
        {"kind not allowed", D3DFMT_X8R8G8B8, D3DFMT_L8, false, 0},
        {"luminance by colour", D3DFMT_L8, D3DFMT_X8R8G8B8, true, 0},
        {"signed by signed", D3DFMT_V8U8, D3DFMT_Q8W8V8U8, true, 256 + 256},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        UINT distance = 12345;
        EXPECT_EQ(formatDistance(lookupFormat(c.request), lookupFormat(c.candidate), &distance), c.usable);
        if (c.usable) {
            EXPECT_EQ(distance, c.distance);
        } else {
            EXPECT_EQ(distance, 12345u) << "an unusable candidate must not report a distance";
        }
    }
}

TEST(FormatTable, ClosestFormatAnswers) {
    struct Case {
        const char* name;
        FormatDescription request;
        std::set<DWORD> refused;
        D3DFORMAT answer;
    };
    const Case kCases[] = {
        {"exact match without device", lookupFormat(D3DFMT_X8R8G8B8), {}, D3DFMT_X8R8G8B8},
        {"exact match beats an earlier zero distance", lookupFormat(D3DFMT_X8B8G8R8), {}, D3DFMT_X8B8G8R8},
        {"refused X8R8G8B8 -> X8B8G8R8", lookupFormat(D3DFMT_X8R8G8B8), {D3DFMT_X8R8G8B8}, D3DFMT_X8B8G8R8},
        {"then A8R8G8B8 ahead of A8B8G8R8", lookupFormat(D3DFMT_X8R8G8B8), {D3DFMT_X8R8G8B8, D3DFMT_X8B8G8R8},
         D3DFMT_A8R8G8B8},
        {"then the first 10-bit row", lookupFormat(D3DFMT_X8R8G8B8),
         {D3DFMT_X8R8G8B8, D3DFMT_X8B8G8R8, D3DFMT_A8R8G8B8, D3DFMT_A8B8G8R8}, D3DFMT_A2B10G10R10},
        {"then A2R10G10B10", lookupFormat(D3DFMT_X8R8G8B8),
         {D3DFMT_X8R8G8B8, D3DFMT_X8B8G8R8, D3DFMT_A8R8G8B8, D3DFMT_A8B8G8R8, D3DFMT_A2B10G10R10},
         D3DFMT_A2R10G10B10},
        {"colour key on X8R8G8B8", requestLike(D3DFMT_X8R8G8B8, D3DFMT_UNKNOWN, 1), {}, D3DFMT_A8R8G8B8},
        {"colour key on L8: fewer bits win the tie", requestLike(D3DFMT_L8, D3DFMT_UNKNOWN, 1), {}, D3DFMT_A8L8},
        {"copy of R8G8B8: auto-0 row skipped", requestLike(D3DFMT_R8G8B8, D3DFMT_UNKNOWN, 0), {}, D3DFMT_X8R8G8B8},
        {"auto-0 row matched exactly", lookupFormat(D3DFMT_R8G8B8), {}, D3DFMT_R8G8B8},
        {"luminance answered by colour", lookupFormat(D3DFMT_L8),
         {D3DFMT_L8, D3DFMT_A8L8, D3DFMT_L16, D3DFMT_A4L4}, D3DFMT_X8R8G8B8},
        {"grey-ramp palette image stays palette", lookupFormat(D3DFMT_P8), {}, D3DFMT_P8},
        {"refused float answered by an auto row", lookupFormat(D3DFMT_R32F), {D3DFMT_R32F}, D3DFMT_G16R16},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const D3DFORMAT answer =
            closestFormatWhere(c.request, [&](D3DFORMAT f) { return c.refused.count(f) == 0; });
        EXPECT_EQ(answer, c.answer);
    }
}

TEST(FormatTable, ColourRequestIsNeverAnsweredByLuminance) {
    std::set<DWORD> colourRows;
    for (const FormatDescription& row : formatTable()) {
        if (row.kind == FormatKind::Colour) {
            colourRows.insert(row.format);
        }
    }
    const D3DFORMAT answer = closestFormatWhere(lookupFormat(D3DFMT_X8R8G8B8),
                                                [&](D3DFORMAT f) { return colourRows.count(f) == 0; });
    EXPECT_EQ(answer, D3DFMT_UNKNOWN);
}

TEST(FormatTable, WithoutDeviceEveryAutoRowAnswersItself) {
    for (const FormatDescription& row : formatTable()) {
        SCOPED_TRACE(row.format);
        EXPECT_EQ(findClosestFormat(row), row.format);
    }
}

}  // namespace
}  // namespace gfxutil::tex
