// golden_compare ACTUAL.png GOLDEN [ACTUAL.png GOLDEN ...]
//
// The golden-image check of the test suites for frames another program wrote: each PNG is held to
// its golden (a path relative to the source tree, tests/<module>/golden/<name>.png or
// examples/golden/<name>.png) with the same tolerance, the same difference images on failure and
// the same UPDATE_GOLDENS=1 rewrite. Exits 0 when every pair matches, 1 otherwise, 2 on bad usage.
#include <cstdio>
#include <string>

#include "tests/support/golden_image.h"

int main(int argc, char** argv) {
    if (argc < 3 || (argc - 1) % 2 != 0) {
        std::fprintf(stderr, "usage: golden_compare ACTUAL.png GOLDEN [ACTUAL.png GOLDEN ...]\n");
        return 2;
    }
    int failures = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string actual = argv[i];
        const std::string golden = argv[i + 1];
        testsupport::Image image;
        if (!testsupport::readPng(actual, image)) {
            std::printf("%s: cannot read it as PNG\n", actual.c_str());
            ++failures;
            continue;
        }
        const ::testing::AssertionResult result = testsupport::matchesGolden(image, golden);
        if (result) {
            const std::string note = result.message();
            std::printf("%s: matches %s%s%s\n", actual.c_str(), golden.c_str(), note.empty() ? "" : "; ",
                        note.c_str());
        } else {
            std::printf("%s: %s\n", actual.c_str(), result.message());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
