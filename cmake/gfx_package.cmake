# The library as a package other programs build against.
#
# `cmake --install <build> --prefix <dir>` puts
#   <dir>/include/verlet_spring/{gfxutil,platform}/...   the public headers (include as the tree
#                                                        does: "gfxutil/mesh/mesh.h")
#   <dir>/lib/libverlet_spring_<module>.a                 one static library per module
#   <dir>/lib/cmake/verlet_spring/                        find_package(verlet_spring)
#   <dir>/lib/pkgconfig/verlet_spring.pc                  pkg-config verlet_spring
# The imported targets are verlet_spring::<module> (gfxutil_math, gfxutil_mesh, gfxutil_tex,
# gfxutil_core, platform_win32, platform_d3d9, platform_kernel, ...) and verlet_spring::gfxutil,
# which is all of them with the script layer linked whole. The same names exist inside the tree as
# aliases, so the examples build the same way in both places.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(GFX_PACKAGE_NAME verlet_spring)
set(GFX_PACKAGE_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/${GFX_PACKAGE_NAME})
set(GFX_PACKAGE_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/${GFX_PACKAGE_NAME})

# Bottom up: the pkg-config file lists them in this order inside one link group.
set(GFX_PACKAGE_LIBRARIES
    gfxutil_tex gfxutil_mesh gfxutil_core gfxutil_math
    platform_usp platform_gdi platform_d3d9 platform_d3d9_raster platform_win32 platform_kernel)

# What a caller includes, and (through gfx_package_headers.cmake) everything those include.
set(GFX_PACKAGE_HEADERS
    gfxutil/core/diagnostics.h
    gfxutil/core/shared_types.h
    gfxutil/core/sprite.h
    gfxutil/math/math_types.h
    gfxutil/mesh/mesh.h
    gfxutil/tex/texture_loader.h
    platform/d3d9/controls.h
    platform/d3d9/d3d9.h
    platform/gdi/gdi.h
    platform/kernel/kernel.h
    platform/usp/usp.h
    platform/win32/com_ptr.h
    platform/win32/controls.h
    platform/win32/message_box.h
    platform/win32/types.h
    platform/win32/windows.h
)
# Headers of work that lands later join the list when they exist.
foreach(header gfxutil/core/font.h)
    if(EXISTS ${PROJECT_SOURCE_DIR}/${header})
        list(APPEND GFX_PACKAGE_HEADERS ${header})
    endif()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/gfx_package_headers.cmake)
gfx_header_closure(GFX_PACKAGE_HEADERS ${PROJECT_SOURCE_DIR} ${GFX_PACKAGE_HEADERS})

foreach(library ${GFX_PACKAGE_LIBRARIES})
    # Installed archives carry the project's name, so they cannot be mistaken for another
    # library's "libplatform_kernel.a" in a shared prefix.
    set_target_properties(${library} PROPERTIES OUTPUT_NAME ${GFX_PACKAGE_NAME}_${library})
    target_compile_features(${library} PUBLIC cxx_std_20)
    add_library(${GFX_PACKAGE_NAME}::${library} ALIAS ${library})
endforeach()

# The whole library for a caller. The script layer registers "usp10.dll" in the kernel's module
# table from a static object and the font finds it only at run time, by name; nothing references
# its symbols, so an ordinary link would drop it and text would lose complex-script shaping.
add_library(gfxutil_package INTERFACE)
set_target_properties(gfxutil_package PROPERTIES EXPORT_NAME gfxutil)
target_link_libraries(gfxutil_package INTERFACE
    gfxutil_tex gfxutil_mesh gfxutil_core gfxutil_math
    # An export does not rename targets inside $<LINK_LIBRARY>, so the installed name is given.
    "$<BUILD_INTERFACE:$<LINK_LIBRARY:WHOLE_ARCHIVE,platform_usp>>"
    "$<INSTALL_INTERFACE:$<LINK_LIBRARY:WHOLE_ARCHIVE,${GFX_PACKAGE_NAME}::platform_usp>>"
    platform_gdi platform_d3d9 platform_win32 platform_kernel)
add_library(${GFX_PACKAGE_NAME}::gfxutil ALIAS gfxutil_package)

install(TARGETS ${GFX_PACKAGE_LIBRARIES} gfxutil_package
    EXPORT ${GFX_PACKAGE_NAME}_targets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${GFX_PACKAGE_INCLUDEDIR})
foreach(header ${GFX_PACKAGE_HEADERS})
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${GFX_PACKAGE_INCLUDEDIR}/${folder})
endforeach()
install(EXPORT ${GFX_PACKAGE_NAME}_targets
    NAMESPACE ${GFX_PACKAGE_NAME}::
    FILE ${GFX_PACKAGE_NAME}-targets.cmake
    DESTINATION ${GFX_PACKAGE_CMAKEDIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/package_config.cmake.in
    ${PROJECT_BINARY_DIR}/package/${GFX_PACKAGE_NAME}-config.cmake
    INSTALL_DESTINATION ${GFX_PACKAGE_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/${GFX_PACKAGE_NAME}-config-version.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES
    ${PROJECT_BINARY_DIR}/package/${GFX_PACKAGE_NAME}-config.cmake
    ${PROJECT_BINARY_DIR}/package/${GFX_PACKAGE_NAME}-config-version.cmake
    DESTINATION ${GFX_PACKAGE_CMAKEDIR})

# pkg-config: the prefix is found from the file's own place, so an installed copy can be moved.
file(RELATIVE_PATH GFX_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" GFX_PC_TO_PREFIX "${GFX_PC_TO_PREFIX}")
set(GFX_PC_LIBS "")
foreach(library ${GFX_PACKAGE_LIBRARIES})
    if(library STREQUAL "platform_usp")
        string(APPEND GFX_PC_LIBS " -Wl,--whole-archive -l${GFX_PACKAGE_NAME}_${library} -Wl,--no-whole-archive")
    else()
        string(APPEND GFX_PC_LIBS " -l${GFX_PACKAGE_NAME}_${library}")
    endif()
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/package.pc.in ${PROJECT_BINARY_DIR}/package/${GFX_PACKAGE_NAME}.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/${GFX_PACKAGE_NAME}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
