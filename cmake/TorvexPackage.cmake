# What `cmake --install` puts in place for other projects (component
# Development): the libraries with their headers, the CMake package
# (find_package(Torvex) -> Torvex::image, Torvex::warp) and torvex.pc.
# The programs, the desktop entry, the icons and the man page (component
# Runtime) are installed by their own folders. `cpack` makes a .deb of both.
include(CMakePackageConfigHelpers)

set(torvex_libraries torvex_platform torvex_image torvex_warp)
set(torvex_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Torvex)

# An installed library linking a package target that torvex_dependency()
# did not declare would leave consumers with an unknown target.
get_property(torvex_packages GLOBAL PROPERTY TORVEX_DEPENDENCY_PACKAGES)
string(TOLOWER "${torvex_packages}" torvex_packages)
foreach(library IN LISTS torvex_libraries)
    get_target_property(linked ${library} LINK_LIBRARIES)
    foreach(item IN LISTS linked)
        if(item MATCHES "^([A-Za-z0-9_]+)::")
            string(TOLOWER "${CMAKE_MATCH_1}" namespace)
            if(NOT namespace IN_LIST torvex_packages)
                message(FATAL_ERROR "${library} links ${item}: declare its package with "
                                    "torvex_dependency() (cmake/TorvexLibrary.cmake)")
            endif()
        endif()
    endforeach()
endforeach()

install(TARGETS ${torvex_libraries} EXPORT TorvexTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development
    FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/torvex COMPONENT Development)
# A stripping install (cpack) drops the libraries' debug information too.
foreach(library IN LISTS torvex_libraries)
    install(CODE "if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\" -g
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:${library}>\")
    endif()" COMPONENT Development)
endforeach()
install(EXPORT TorvexTargets NAMESPACE Torvex:: DESTINATION ${torvex_cmake_dir}
    COMPONENT Development)

get_property(torvex_find_lines GLOBAL PROPERTY TORVEX_FIND_DEPENDENCIES)
list(JOIN torvex_find_lines "\n" TORVEX_FIND_DEPENDENCIES)
configure_package_config_file(cmake/TorvexConfig.cmake.in
    ${PROJECT_BINARY_DIR}/TorvexConfig.cmake INSTALL_DESTINATION ${torvex_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TorvexConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TorvexConfig.cmake
              ${PROJECT_BINARY_DIR}/TorvexConfigVersion.cmake
    DESTINATION ${torvex_cmake_dir} COMPONENT Development)

# torvex.pc finds the prefix from its own place, so the tree can move.
get_property(torvex_requires GLOBAL PROPERTY TORVEX_PKG_CONFIG_REQUIRES)
list(JOIN torvex_requires ", " TORVEX_PKG_CONFIG_REQUIRES)
file(RELATIVE_PATH TORVEX_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig
    ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" TORVEX_PC_TO_PREFIX "${TORVEX_PC_TO_PREFIX}")
configure_file(cmake/torvex.pc.in ${PROJECT_BINARY_DIR}/torvex.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/torvex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    COMPONENT Development)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME torvex)
set(CPACK_PACKAGE_VENDOR Torvex)
set(CPACK_PACKAGE_CONTACT "Torvex developers <torvex@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "image-warping workbench with control pairs (IDW, RBF, MLS)")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
