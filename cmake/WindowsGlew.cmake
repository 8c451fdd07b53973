# GLEW for the Windows cross-build: a static library that scripts/build-glew-windows
# compiles from Debian's glew source package. Every file that includes glew.h
# needs GLEW_STATIC, which the target carries.
set(KESTRIN_GLEW_WINDOWS_DIR "${PROJECT_SOURCE_DIR}/build/deps/glew-win64"
    CACHE PATH "Prefix holding include/GL/glew.h and lib/libglew32.a for Windows")
if(NOT EXISTS "${KESTRIN_GLEW_WINDOWS_DIR}/lib/libglew32.a")
  message(FATAL_ERROR "GLEW for Windows is missing in ${KESTRIN_GLEW_WINDOWS_DIR}: "
                      "run scripts/build-glew-windows first")
endif()
add_library(glew_static STATIC IMPORTED GLOBAL)
set_target_properties(glew_static PROPERTIES
  IMPORTED_LOCATION "${KESTRIN_GLEW_WINDOWS_DIR}/lib/libglew32.a"
  INTERFACE_INCLUDE_DIRECTORIES "${KESTRIN_GLEW_WINDOWS_DIR}/include"
  INTERFACE_COMPILE_DEFINITIONS "GLEW_STATIC;GLEW_NO_GLU"
  INTERFACE_LINK_LIBRARIES "opengl32")
# The same names the Linux build uses, so subsystem CMake files need no branches.
add_library(GLEW::GLEW ALIAS glew_static)
add_library(OpenGL::OpenGL INTERFACE IMPORTED GLOBAL)
set_target_properties(OpenGL::OpenGL PROPERTIES INTERFACE_LINK_LIBRARIES "opengl32")

if(KESTRIN_BUILD_TESTS)
  # GoogleTest from the sources Debian ships.
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # Its CMake file defines the GTest:: targets the Linux build gets from
  # find_package(GTest).
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
