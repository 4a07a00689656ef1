#include "platform/gdi/character_class.h"

namespace platform::gdi {
namespace {

struct Range {
    char32_t first;
    char32_t last;
};

constexpr Range kRightToLeft[] = {
    {0x0590, 0x08FF}, {0xFB1D, 0xFDFF}, {0xFE70, 0xFEFF}, {0x10800, 0x10FFF}, {0x1E800, 0x1EFFF},
};

constexpr Range kOtherDigits[] = {
    {0x0660, 0x0669}, {0x06F0, 0x06F9}, {0x0966, 0x096F}, {0x09E6, 0x09EF}, {0x0E50, 0x0E59}, {0xFF10, 0xFF19},
};

constexpr Range kNeutralBlocks[] = {
    {0x0000, 0x001F}, {0x007F, 0x00BF}, {0x2000, 0x206F}, {0x2190, 0x23FF}, {0x2500, 0x27BF}, {0x3000, 0x3003},
    {0x3008, 0x3020}, {0xFE30, 0xFE4F}, {0xFFF0, 0xFFFF},
};

bool inAny(char32_t c, const Range* ranges, int count) {
    for (int i = 0; i < count; ++i) {
        if (c >= ranges[i].first && c <= ranges[i].last) {
            return true;
        }
    }
    return false;
}

template <int N>
bool inAny(char32_t c, const Range (&ranges)[N]) {
    return inAny(c, ranges, N);
}

bool isTerminator(char32_t c) {
    return c == '#' || c == '$' || c == '%' || (c >= 0x00A2 && c <= 0x00A5) || c == 0x00B0 || c == 0x2030 ||
           c == 0x20AC || c == 0x066A;
}

bool isSeparator(char32_t c) { return c == '+' || c == '-' || c == ',' || c == '.' || c == '/' || c == ':'; }

}  // namespace

BYTE characterClass(char32_t c) {
    if (c >= '0' && c <= '9') {
        return GCPCLASS_LATINNUMBER;
    }
    if (inAny(c, kOtherDigits)) {
        return GCPCLASS_LOCALNUMBER;
    }
    if (c == 0x066B || c == 0x066C) {
        return GCPCLASS_NUMERICSEPARATOR;
    }
    if (isTerminator(c)) {
        return GCPCLASS_LATINNUMERICTERMINATOR;
    }
    if (isSeparator(c)) {
        return GCPCLASS_LATINNUMERICSEPARATOR;
    }
    if (inAny(c, kRightToLeft)) {
        return GCPCLASS_HEBREW;
    }
    const bool asciiPunctuation = (c >= 0x20 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
                                  (c >= 0x7B && c <= 0x7E);
    if (asciiPunctuation || c == 0x00D7 || c == 0x00F7 || inAny(c, kNeutralBlocks)) {
        return GCPCLASS_NEUTRAL;
    }
    return GCPCLASS_LATIN;
}

}  // namespace platform::gdi
