# The installed package: `cmake --install <build> --prefix <prefix>` puts
#   include/kestrin/{host,glhelpers,quickstart,platform}/*.h  public headers
#   lib/lib*.a                                                the static libraries
#   lib/cmake/KestrinFFGL/                                    package config, the targets,
#       ffgl_add_plugin_library, the export map and .def file
# and the plugin library itself (bin/ on Windows, lib/ elsewhere). On
# Windows it also carries the static GLEW the libraries were built with and
# the toolchain file to build with. A project then needs
# find_package(KestrinFFGL 1.<any>) and ffgl_add_plugin_library.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)
set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/KestrinFFGL)

get_property(package_targets GLOBAL PROPERTY KESTRIN_PACKAGE_TARGETS)
install(TARGETS ${package_targets} EXPORT KestrinFFGLTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  OBJECTS DESTINATION ${CMAKE_INSTALL_LIBDIR}/kestrin-objects)
install(DIRECTORY host glhelpers quickstart platform
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kestrin FILES_MATCHING PATTERN "*.h")
install(EXPORT KestrinFFGLTargets NAMESPACE KestrinFFGL:: DESTINATION ${package_dir})

# The config refuses a project that builds for another system than this one.
set(KESTRIN_PACKAGE_SYSTEM ${CMAKE_SYSTEM_NAME})
configure_package_config_file(cmake/KestrinFFGLConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/KestrinFFGLConfig.cmake INSTALL_DESTINATION ${package_dir})
# Within a major version, a later package serves a project written for an
# earlier one.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/KestrinFFGLConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/KestrinFFGLConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/KestrinFFGLConfigVersion.cmake
  cmake/FFGLPluginLibrary.cmake cmake/PluginExports.map cmake/PluginExports.def
  DESTINATION ${package_dir})

if(WIN32)
  install(FILES cmake/WindowsGlew.cmake cmake/mingw-w64-x86_64.cmake DESTINATION ${package_dir})
  install(FILES ${KESTRIN_WINDOWS_DEPS_DIR}/lib/libglew32.a DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${KESTRIN_WINDOWS_DEPS_DIR}/include/GL/glew.h ${KESTRIN_WINDOWS_DEPS_DIR}/include/GL/wglew.h
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/GL)
endif()

install(TARGETS KestrinPreview
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
