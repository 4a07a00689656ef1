// The script layer's share of laying out the demo's eight help lines, as the font's layout calls
// it every frame: digit substitution, itemising, breaking, then shaping and placing each run
// (runs start at items and word stops). BM_Usp_HelpLinesWarm is that sequence with the layer's
// caches warm; BM_Usp_HelpLinesHarfBuzz shapes the same runs with plain HarfBuzz every time, the
// cost without the caches. Runs the font cannot show are counted but not drawn (the font draws
// them from its own strip cache).
#include <benchmark/benchmark.h>

#include <hb-ft.h>

#include <string>
#include <vector>

#include "platform/gdi/font_access.h"
#include "platform/usp/usp.h"

namespace {

const char16_t* const kHelpLines[] = {
    u"▷ 적용식; Verlet Intergrator (객체 간의 충돌은 무시)",
    u"  가변 조건; 무게 m = 5~10, 초기힘 F = ( 10.f, -30 ~ -35.0f, 0.0f )",
    u"  동일 조건; 스프링상수 ks = 30.0f, 감쇠상수 kd = 5.0f",
    u"▷ Euler's Method에 비해 안정성이 있지만 ",
    u"   비교적 큰 탄성으로 폭발하는 객체도 보인다.  ",
    u"   진동이 폭발로 이어지지 않도록 주의!!  ",
    u"▷ 수정일; 2004. 08. 30",
    u"   Restart = 마우스 왼쪽 버튼 클릭  ",
};

struct HelpFont {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = nullptr;
    SCRIPT_CACHE cache = nullptr;
    SCRIPT_DIGITSUBSTITUTE digits{};

    HelpFont() {
        LOGFONTW request{};
        request.lfHeight = 18;
        request.lfWeight = FW_BOLD;
        request.lfQuality = ANTIALIASED_QUALITY;
        std::u16string face = u"Arial";
        face.copy(request.lfFaceName, face.size());
        font = CreateFontIndirectW(&request);
        SelectObject(dc, font);
        ScriptRecordDigitSubstitution(LOCALE_USER_DEFAULT, &digits);
    }
};

struct Run {
    std::u16string_view text;
    SCRIPT_ANALYSIS analysis;
};

// One line through the calls the layout makes; the runs it found go to `runs` when asked.
int layOutLine(HelpFont& f, std::u16string_view line, std::vector<Run>* runs) {
    thread_local std::vector<SCRIPT_ITEM> items;
    thread_local std::vector<SCRIPT_LOGATTR> attrs;
    thread_local std::vector<WORD> glyphs, clusters;
    thread_local std::vector<SCRIPT_VISATTR> visAttrs;
    thread_local std::vector<int> advances;
    thread_local std::vector<GOFFSET> offsets;
    const int length = static_cast<int>(line.size());
    SCRIPT_CONTROL control{};
    SCRIPT_STATE state{};
    ScriptApplyDigitSubstitution(&f.digits, &control, &state);
    items.resize(line.size() + 1);
    attrs.resize(line.size());
    const int room = length * 3 / 2 + 16;
    glyphs.resize(room);
    clusters.resize(line.size());
    visAttrs.resize(room);
    advances.resize(room);
    offsets.resize(room);
    int itemCount = 0, placed = 0;
    ScriptItemize(line.data(), length, length + 1, &control, &state, items.data(), &itemCount);
    for (int i = 0; i < itemCount; ++i) {
        int start = items[i].iCharPos, end = items[i + 1].iCharPos;
        ScriptBreak(line.data() + start, end - start, &items[i].a, attrs.data() + start);
        for (int s = start; s < end;) {
            int e = s + 1;
            while (e < end && !attrs[e].fWordStop) {
                ++e;
            }
            if (runs != nullptr) {
                runs->push_back({line.substr(s, e - s), items[i].a});
            }
            int count = 0;
            HRESULT hr = ScriptShape(f.dc, &f.cache, line.data() + s, e - s, room, &items[i].a, glyphs.data(),
                                     clusters.data() + s, visAttrs.data(), &count);
            if (SUCCEEDED(hr)) {
                ABC extent;
                ScriptPlace(f.dc, &f.cache, glyphs.data(), count, visAttrs.data(), &items[i].a, advances.data(),
                            offsets.data(), &extent);
                placed += count;
            }
            s = e;
        }
    }
    return placed;
}

void BM_Usp_HelpLinesWarm(benchmark::State& state) {
    HelpFont f;
    for (const char16_t* line : kHelpLines) {
        layOutLine(f, line, nullptr);
    }
    for (auto _ : state) {
        int glyphs = 0;
        for (const char16_t* line : kHelpLines) {
            glyphs += layOutLine(f, line, nullptr);
        }
        benchmark::DoNotOptimize(glyphs);
    }
}
BENCHMARK(BM_Usp_HelpLinesWarm);

void BM_Usp_HelpLinesHarfBuzz(benchmark::State& state) {
    HelpFont f;
    std::vector<Run> runs;
    for (const char16_t* line : kHelpLines) {
        layOutLine(f, line, &runs);
    }
    hb_font_t* font = hb_ft_font_create_referenced(platform::gdi::selectedFace(f.dc));
    hb_ft_font_set_load_flags(font, platform::gdi::selectedLoadFlags(f.dc));
    hb_buffer_t* buffer = hb_buffer_create();
    for (auto _ : state) {
        unsigned int glyphs = 0;
        for (const Run& run : runs) {
            hb_buffer_clear_contents(buffer);
            const int n = static_cast<int>(run.text.size());
            hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(run.text.data()), n, 0, n);
            hb_buffer_set_direction(buffer, run.analysis.fRTL ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
            hb_buffer_guess_segment_properties(buffer);
            hb_shape(font, buffer, nullptr, 0);
            glyphs += hb_buffer_get_length(buffer);
        }
        benchmark::DoNotOptimize(glyphs);
    }
    state.counters["runs"] = static_cast<double>(runs.size());
    hb_buffer_destroy(buffer);
    hb_font_destroy(font);
}
BENCHMARK(BM_Usp_HelpLinesHarfBuzz);

}  // namespace

BENCHMARK_MAIN();
