# ffgl_add_plugin_library(<name> <source>...)
#
# A plugin library: <name>.dll on Windows, <name>.so elsewhere, made of the
# given sources (one of them defines the plugin's static
# CFFGLPluginDescriptor) plus the dispatcher and the quick-start framework,
# exporting exactly plugMain and SetLogCallback. On Linux a symbol that no
# library defines is a link error, as it always is for a Windows DLL. The same
# function serves this tree and the projects that use the installed package.
function(ffgl_add_plugin_library name)
  add_library(${name} SHARED ${ARGN})
  # Nothing in a plugin's own code calls plugMain, and a plugin may reach
  # parts of the framework only through the host: linked as ordinary
  # archives, both would be left out and the library would export nothing.
  target_link_libraries(${name} PRIVATE
    $<LINK_LIBRARY:WHOLE_ARCHIVE,KestrinFFGL::ffgl_dispatch>
    $<LINK_LIBRARY:WHOLE_ARCHIVE,KestrinFFGL::ffglqs>
    KestrinFFGL::kestrin_module_runtime)
  # Hosts list plugins by file name: no "lib" prefix.
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  set(exports ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  if(WIN32)
    target_sources(${name} PRIVATE ${exports}/PluginExports.def)
    # A release DLL ships without debug sections or a symbol table: the
    # runtime libraries linked into it would otherwise bring theirs.
    target_link_options(${name} PRIVATE $<$<CONFIG:Release>:-s>)
  else()
    target_link_options(${name} PRIVATE -Wl,--version-script=${exports}/PluginExports.map)
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${exports}/PluginExports.map)
    # Otherwise a forgotten definition shows only when a host loads the
    # plugin. Not under clang's sanitizers: they link their runtime into the
    # program alone, so every plugin's calls into it stay undefined.
    _ffgl_clang_sanitizer_build(clang_sanitizer)
    if(NOT clang_sanitizer)
      target_link_options(${name} PRIVATE -Wl,--no-undefined)
    endif()
  endif()
  # This tree's tests check every plugin library it builds.
  if(COMMAND kestrin_check_plugin_library)
    kestrin_check_plugin_library(${name})
  endif()
endfunction()

# Sets <out> to true when the calling directory compiles with clang and any
# -fsanitize= option (in the flags variables or the directory's options).
function(_ffgl_clang_sanitizer_build out)
  get_directory_property(compile_options COMPILE_OPTIONS)
  get_directory_property(link_options LINK_OPTIONS)
  string(TOUPPER "${CMAKE_BUILD_TYPE}" config)
  set(flags "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${config}} ${CMAKE_SHARED_LINKER_FLAGS}"
            "${compile_options} ${link_options}")
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND flags MATCHES "-fsanitize=")
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()
