# Helpers for the installed libraries (torvex_platform, torvex_image,
# torvex_warp): their headers, and the third-party packages they link.

# Every header in the calling folder and below becomes a public header of
# the target, installed under include/torvex/ with the layout the sources
# include it by ("image/CxImage.h").
function(torvex_public_headers target)
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
    target_sources(${target} PUBLIC
        FILE_SET HEADERS BASE_DIRS ${PROJECT_SOURCE_DIR} FILES ${headers})
endfunction()

# A third-party package that an installed library links, declared in one line
# in the folder of that library:
#
#   torvex_dependency(<package> [PKG_CONFIG <module>] [find_package arguments...])
#
# It finds the package (its targets visible everywhere) and records it, so
# the installed TorvexConfig.cmake finds it again for consumers and torvex.pc
# requires the pkg-config module. Static libraries carry their link
# dependencies, so a consumer needs every one of them.
macro(torvex_dependency package)
    cmake_parse_arguments(_torvex_dependency "" "PKG_CONFIG" "" ${ARGN})
    find_package(${package} ${_torvex_dependency_UNPARSED_ARGUMENTS} REQUIRED GLOBAL)
    list(JOIN _torvex_dependency_UNPARSED_ARGUMENTS " " _torvex_dependency_args)
    set_property(GLOBAL APPEND PROPERTY TORVEX_DEPENDENCY_PACKAGES ${package})
    string(STRIP "${package} ${_torvex_dependency_args}" _torvex_dependency_args)
    set_property(GLOBAL APPEND PROPERTY TORVEX_FIND_DEPENDENCIES
        "find_dependency(${_torvex_dependency_args})")
    if(_torvex_dependency_PKG_CONFIG)
        set_property(GLOBAL APPEND PROPERTY TORVEX_PKG_CONFIG_REQUIRES
            ${_torvex_dependency_PKG_CONFIG})
    endif()
endmacro()
