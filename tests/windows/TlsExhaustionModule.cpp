// A module whose first use of thread-local storage comes on request, and
// whose unload uses it again, as a C++ runtime's unload code may (an
// exception's per-thread state lives there). Loaded by
// TlsExhaustionProgram.cpp once every TLS index is taken.
namespace {

thread_local int tCalls = 0;
thread_local int tUnloads = 0;

struct UsesStorageAtUnload {
  ~UsesStorageAtUnload() { ++tUnloads; }
} gUsesStorageAtUnload;

}  // namespace

extern "C" __declspec(dllexport) int UseThreadStorage() { return ++tCalls; }
