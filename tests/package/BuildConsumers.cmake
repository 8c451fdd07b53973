# Installs this build, moves the install to a prefix whose path has a space,
# and builds, against that prefix alone and with warnings as errors, what a
# plugin author would: the example plugin project, and the project of
# mistakes (its plugin with a badly named parameter; its plugin that cannot
# link is left to a test of its own). Configured the README's way: the prefix
# in CMAKE_PREFIX_PATH on Linux, the installed toolchain file for Windows.
#   cmake -DBUILD_DIR=... -DEXAMPLE_DIR=... -DMISTAKES_DIR=... -DWORK_DIR=...
#         -DGENERATOR=... -DCXX_COMPILER=... [-DWINDOWS=1] -P BuildConsumers.cmake
cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "failed (${result}): ${command}")
  endif()
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
set(staging "${WORK_DIR}/staging")
set(prefix "${WORK_DIR}/moved prefix")
run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${staging}")
# Nothing in the package may remember where it was installed.
file(RENAME "${staging}" "${prefix}")

set(common -G "${GENERATOR}" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Werror")
if(WINDOWS)
  list(APPEND common "-DCMAKE_TOOLCHAIN_FILE=${prefix}/lib/cmake/KestrinFFGL/mingw-w64-x86_64.cmake")
else()
  list(APPEND common "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}" "-DCMAKE_PREFIX_PATH=${prefix}")
endif()

run(${CMAKE_COMMAND} -S "${EXAMPLE_DIR}" -B "${WORK_DIR}/example" ${common})
run(${CMAKE_COMMAND} --build "${WORK_DIR}/example")
run(${CMAKE_COMMAND} -S "${MISTAKES_DIR}" -B "${WORK_DIR}/mistakes" ${common})
run(${CMAKE_COMMAND} --build "${WORK_DIR}/mistakes")
