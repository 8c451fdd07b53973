// What the static C++ runtime of one module (DLL or program) on Windows
// keeps until the process ends, given back when the module unloads instead,
// so that a host loading and unloading the library many times loses
// nothing: this module's thread-local storage (ThreadStorageWindows.cpp) and
// the runtime's emergency exception arena, about 73 KB allocated by a static
// constructor at every load.
//
// Linked as an object into every module the build makes, with the other
// stand-ins of this folder.

namespace __gnu_cxx {
// The runtime's own release of its arena (the C library calls it under
// memory checkers); it is not declared in any header.
void __freeres() noexcept;
}  // namespace __gnu_cxx

namespace platform {
void ReleaseThreadStorage();
}  // namespace platform

namespace {

// Constructed before every other static object of the module, so destroyed
// after all of them: they may still throw (the arena) or use thread-local
// storage (an exception does). A destructor-attribute function would not
// run at all when a DLL unloads.
struct ReleaseAtUnload {
  ~ReleaseAtUnload() {
    platform::ReleaseThreadStorage();
    __gnu_cxx::__freeres();
  }
} gReleaseAtUnload __attribute__((init_priority(101)));

}  // namespace
