# Installs the development files of a built tree into a fresh prefix, then
# builds and runs the consumer project against that prefix twice: through
# find_package(Torvex) and through pkg-config.
#
# cmake -DBUILD_DIR=... -DWORK_DIR=... -DCONSUMER_DIR=... -DLIBDIR=...
#       -DGENERATOR=... -DCXX=... -DPKG_CONFIG=... [-DFLAGS=...] -P InstallTest.cmake

function(run what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out
        ERROR_VARIABLE out)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${what} failed (${status}):\n${out}")
    endif()
    message(STATUS "${what}: ok")
endfunction()

if(NOT PKG_CONFIG)
    message(FATAL_ERROR "pkg-config is missing (scripts/setup installs pkgconf)")
endif()
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
    --component Development)

set(build ${WORK_DIR}/cmake-consumer)
run("configure the find_package consumer" ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${build}
    -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF "-DCMAKE_CXX_FLAGS=${FLAGS}"
    "-DCMAKE_EXE_LINKER_FLAGS=${FLAGS}")
file(STRINGS ${build}/CMakeCache.txt found REGEX "^Torvex_DIR:")
string(FIND "${found}" "${prefix}/" at)
if(at EQUAL -1)
    message(FATAL_ERROR "find_package found Torvex outside the test prefix: ${found}")
endif()
run("build the find_package consumer" ${CMAKE_COMMAND} --build ${build})
run("run the find_package consumer" ${build}/consumer)

set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
execute_process(COMMAND ${PKG_CONFIG} --cflags --libs torvex RESULT_VARIABLE status
    OUTPUT_VARIABLE pc_flags ERROR_VARIABLE pc_error OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "pkg-config torvex failed: ${pc_error}")
endif()
string(FIND "${pc_flags}" "-I${prefix}/" at)
if(at EQUAL -1)
    message(FATAL_ERROR "torvex.pc does not point into the test prefix: ${pc_flags}")
endif()
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
separate_arguments(extra UNIX_COMMAND "${FLAGS}")
run("build the pkg-config consumer" ${CXX} -std=c++20 ${extra} ${CONSUMER_DIR}/main.cpp
    ${pc_flags} -o ${WORK_DIR}/pc-consumer)
run("run the pkg-config consumer" ${WORK_DIR}/pc-consumer)
