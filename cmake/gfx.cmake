# Compiler settings and small helpers shared by every module.

# Exact single-precision arithmetic in the written order: no contraction into fused multiply-adds,
# never fast-math.
set(GFX_COMMON_FLAGS -ffp-contract=off -fno-fast-math -Wall -Wextra)
if(GFX_WERROR)
    list(APPEND GFX_COMMON_FLAGS -Werror)
endif()
add_compile_options("$<$<COMPILE_LANGUAGE:CXX,C>:${GFX_COMMON_FLAGS}>")

if(GFX_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
    add_compile_definitions(GFX_SANITIZE_BUILD=1)
endif()

# gfx_add_library(<target> SOURCES <files...> [DEPS <targets...>] [PUBLIC_DEPS <targets...>])
function(gfx_add_library target)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PUBLIC_DEPS" ${ARGN})
    add_library(${target} STATIC ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_DEPS} PUBLIC ${ARG_PUBLIC_DEPS})
endfunction()

# gfx_add_test(<target> SOURCES <files...> [DEPS <targets...>] [LABELS <labels...>])
# One GoogleTest executable; every TEST becomes its own CTest entry.
function(gfx_add_test target)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
    target_compile_definitions(${target} PRIVATE
        GFX_SOURCE_DIR="${PROJECT_SOURCE_DIR}" GFX_TEST_OUTPUT_DIR="${PROJECT_BINARY_DIR}/test-output")
    set(labels ${ARG_LABELS})
    if(NOT labels)
        set(labels unit)
    endif()
    # A test that calls GTEST_SKIP exits 0; without the pattern CTest would count it as passed.
    gtest_discover_tests(${target}
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        PROPERTIES LABELS "${labels}" SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]"
        DISCOVERY_TIMEOUT 60)
endfunction()

# gfx_add_bench(<target> SOURCES <files...> [DEPS <targets...>])
function(gfx_add_bench target)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    find_package(benchmark REQUIRED)
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_DEPS} benchmark::benchmark)
endfunction()
