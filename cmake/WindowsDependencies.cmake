# Third-party libraries for the Windows cross-build: GLEW, zlib and libpng as
# static libraries that scripts/build-windows-deps compiles from Debian's
# source packages, and GoogleTest from the sources Debian ships. They get the
# target names the Linux build's find_package calls give, so subsystem CMake
# files need no branches.
set(KESTRIN_WINDOWS_DEPS_DIR "${PROJECT_SOURCE_DIR}/build/deps/win64"
    CACHE PATH "Prefix holding include/ and lib/ of the Windows static libraries")
foreach(library glew32 z png)
  if(NOT EXISTS "${KESTRIN_WINDOWS_DEPS_DIR}/lib/lib${library}.a")
    message(FATAL_ERROR "lib${library}.a for Windows is missing in ${KESTRIN_WINDOWS_DEPS_DIR}: "
                        "run scripts/build-windows-deps first")
  endif()
endforeach()

include(${CMAKE_CURRENT_LIST_DIR}/WindowsGlew.cmake)
kestrin_import_windows_glew(${KESTRIN_WINDOWS_DEPS_DIR})

add_library(ZLIB::ZLIB STATIC IMPORTED GLOBAL)
set_target_properties(ZLIB::ZLIB PROPERTIES
  IMPORTED_LOCATION "${KESTRIN_WINDOWS_DEPS_DIR}/lib/libz.a"
  INTERFACE_INCLUDE_DIRECTORIES "${KESTRIN_WINDOWS_DEPS_DIR}/include")
add_library(PNG::PNG STATIC IMPORTED GLOBAL)
set_target_properties(PNG::PNG PROPERTIES
  IMPORTED_LOCATION "${KESTRIN_WINDOWS_DEPS_DIR}/lib/libpng.a"
  INTERFACE_INCLUDE_DIRECTORIES "${KESTRIN_WINDOWS_DEPS_DIR}/include"
  INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)

if(KESTRIN_BUILD_TESTS)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # Its CMake file defines the GTest:: targets the Linux build gets from
  # find_package(GTest).
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # The win32 thread model's standard library has no std::mutex or
  # std::condition_variable, which GoogleTest's thread-start notification
  # uses; every file that includes GoogleTest gets a replacement first.
  target_compile_options(gtest PUBLIC
    "SHELL:-include ${PROJECT_SOURCE_DIR}/testing/portable/GTestNotification.h")
endif()
