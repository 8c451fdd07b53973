# Cross-build for Windows x86-64 with mingw-w64. Everything links
# statically: the DLL then imports only system DLLs.
#
# The win32 thread model, not posix: with posix, the statically linked
# threading library (winpthreads) sets up per-process objects on first use
# and never releases them, so every load and unload of a DLL left 4 handles
# and 1 TLS index behind under Wine, and after about 1,086 loads the next one
# aborted the host. The win32 model's standard library (GCC 12) has no
# std::thread, std::mutex or std::condition_variable: code that ships uses
# platform/Threading.h instead; std::lock_guard, std::unique_lock,
# std::this_thread::sleep_for and std::atomic work as usual. GoogleTest
# builds with a replacement for its one use of them (see
# WindowsDependencies.cmake). Installing g++-mingw-w64-x86-64-win32 makes
# the unsuffixed x86_64-w64-mingw32-g++ the win32 one; we name each by its
# suffix anyway.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/KestrinFFGLConfig.cmake)
  # The copy installed with the Windows package, three levels below its
  # prefix: packages are looked for below that prefix too, so the project
  # finds this one.
  get_filename_component(kestrin_package_prefix ${CMAKE_CURRENT_LIST_DIR}/../../.. ABSOLUTE)
  list(APPEND CMAKE_FIND_ROOT_PATH ${kestrin_package_prefix})
else()
  # Test executables run under Wine (see scripts/wine-run).
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
  # Wine shows the Linux root as drive Z:; tests get build-tree paths in that form.
  set(KESTRIN_TEST_PATH_PREFIX "Z:")
endif()
