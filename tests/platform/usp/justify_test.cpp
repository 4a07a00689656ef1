// ScriptJustify: where a width change goes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/usp/usp.h"

namespace {

// One glyph per letter: 'b' blank, 'c' character, 'n' none (a mark or a cluster's second glyph).
std::vector<SCRIPT_VISATTR> classes(const char* pattern) {
    std::vector<SCRIPT_VISATTR> v;
    for (const char* p = pattern; *p != '\0'; ++p) {
        SCRIPT_VISATTR a{};
        a.uJustification = *p == 'b' ? SCRIPT_JUSTIFY_BLANK : *p == 'c' ? SCRIPT_JUSTIFY_CHARACTER : SCRIPT_JUSTIFY_NONE;
        v.push_back(a);
    }
    return v;
}

TEST(ScriptJustify, WidthChangeGoesToBlanksThenCharacters) {
    struct Case {
        const char* name;
        const char* pattern;
        std::vector<int> advances;
        int dx;
        std::vector<int> expected;
    };
    const Case kCases[] = {
        {"blanks take it all", "cbcbc", {5, 3, 5, 3, 5}, 5, {5, 6, 5, 5, 5}},
        {"without blanks, characters take it", "cnc", {5, 0, 5}, 3, {7, 0, 6}},
        {"narrowing stops at zero", "cbc", {5, 2, 5}, -4, {5, 0, 5}},
        {"nothing may take it", "nn", {4, 4}, 6, {4, 4}},
        {"no change", "cbc", {5, 3, 5}, 0, {5, 3, 5}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        std::vector<SCRIPT_VISATTR> attrs = classes(c.pattern);
        std::vector<int> justified(c.advances.size(), -1);
        ASSERT_EQ(ScriptJustify(attrs.data(), c.advances.data(), static_cast<int>(attrs.size()), c.dx, 0,
                                justified.data()),
                  S_OK);
        EXPECT_EQ(justified, c.expected);
    }
}

TEST(ScriptJustify, Misuse) {
    std::vector<SCRIPT_VISATTR> attrs = classes("cb");
    int advances[2] = {4, 2};
    int justified[2] = {-1, -1};
    EXPECT_EQ(ScriptJustify(nullptr, advances, 2, 1, 0, justified), E_INVALIDARG);
    EXPECT_EQ(ScriptJustify(attrs.data(), nullptr, 2, 1, 0, justified), E_INVALIDARG);
    EXPECT_EQ(ScriptJustify(attrs.data(), advances, 2, 1, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(ScriptJustify(attrs.data(), advances, 0, 1, 0, justified), E_INVALIDARG);
    EXPECT_EQ(justified[0], -1);
}

}  // namespace
