# kestrin_library(<name> <source>...)
#
# One of the libraries a plugin is made of, as a static library that carries
# its own usage requirements: sources include "<subsystem>/<file>.h" from the
# top of this tree (from include/kestrin in the installed package), in
# C++17. It is also KestrinFFGL::<name>, here and in the installed package,
# so that ffgl_add_plugin_library names it the same way in both.
function(kestrin_library name)
  add_library(${name} STATIC ${ARGN})
  add_library(KestrinFFGL::${name} ALIAS ${name})
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
                                            $<INSTALL_INTERFACE:include/kestrin>)
  target_compile_features(${name} PUBLIC cxx_std_17)
  set_property(GLOBAL APPEND PROPERTY KESTRIN_PACKAGE_TARGETS ${name})
endfunction()

# Called by ffgl_add_plugin_library for each plugin library of this tree: the
# test run reads a DLL's tables (exactly the two exports, imports from system
# DLLs only plus those a test plugin names in its KESTRIN_EXTRA_IMPORTS
# property, and in a release build nothing to debug with).
function(kestrin_check_plugin_library name)
  if(WIN32 AND KESTRIN_BUILD_TESTS)
    add_test(NAME ${name}.DllTables
      COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:${name}>
              "-DEXTRA_IMPORTS=$<TARGET_GENEX_EVAL:${name},$<TARGET_PROPERTY:${name},KESTRIN_EXTRA_IMPORTS>>"
              -DSTRIPPED=$<CONFIG:Release>
              -P ${PROJECT_SOURCE_DIR}/cmake/CheckDllTables.cmake)
  endif()
endfunction()
