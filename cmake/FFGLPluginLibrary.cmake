# ffgl_add_plugin_library(<name> <source>...)
#
# A plugin library: <name>.dll on Windows, <name>.so elsewhere, made of the
# given sources (one of them defines the plugin's static
# CFFGLPluginDescriptor) plus the dispatcher and the quick-start framework,
# exporting exactly plugMain and SetLogCallback. The same function serves
# this tree and the projects that use the installed package.
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
  endif()
  # This tree's tests check every plugin library it builds.
  if(COMMAND kestrin_check_plugin_library)
    kestrin_check_plugin_library(${name})
  endif()
endfunction()
