# kestrin_import_windows_glew(<prefix>)
#
# OpenGL and the static GLEW of the Windows build under the names
# find_package gives them on Linux: <prefix>/lib/libglew32.a with
# <prefix>/include/GL/glew.h, which scripts/build-windows-deps makes for the
# build and the installed package carries for its users. Every file that
# includes glew.h needs GLEW_STATIC, which the GLEW target carries.
function(kestrin_import_windows_glew prefix)
  if(NOT TARGET OpenGL::OpenGL)
    add_library(OpenGL::OpenGL INTERFACE IMPORTED GLOBAL)
    set_target_properties(OpenGL::OpenGL PROPERTIES INTERFACE_LINK_LIBRARIES "opengl32")
  endif()
  if(NOT TARGET GLEW::GLEW)
    add_library(GLEW::GLEW STATIC IMPORTED GLOBAL)
    set_target_properties(GLEW::GLEW PROPERTIES
      IMPORTED_LOCATION "${prefix}/lib/libglew32.a"
      INTERFACE_INCLUDE_DIRECTORIES "${prefix}/include"
      INTERFACE_COMPILE_DEFINITIONS "GLEW_STATIC;GLEW_NO_GLU"
      INTERFACE_LINK_LIBRARIES "opengl32")
  endif()
endfunction()
