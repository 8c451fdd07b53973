# Installs this build into a fresh prefix, then configures and builds the
# example plugin project against that prefix alone, as a plugin author would,
# with warnings as errors.
#   cmake -DBUILD_DIR=... -DEXAMPLE_DIR=... -DWORK_DIR=... -DGENERATOR=...
#         -DCXX_COMPILER=... [-DTOOLCHAIN_FILE=...] -P BuildExample.cmake
cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "failed (${result}): ${command}")
  endif()
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")
run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}")

set(configure -S "${EXAMPLE_DIR}" -B "${WORK_DIR}/build" -G "${GENERATOR}"
    -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}"
    "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Werror" "-DCMAKE_PREFIX_PATH=${prefix}")
if(TOOLCHAIN_FILE)
  # A cross-build looks for packages below its target root only; name the
  # package's folder outright.
  list(APPEND configure "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE}"
       "-DKestrinFFGL_DIR=${prefix}/lib/cmake/KestrinFFGL")
endif()
run(${CMAKE_COMMAND} ${configure})
run(${CMAKE_COMMAND} --build "${WORK_DIR}/build")
