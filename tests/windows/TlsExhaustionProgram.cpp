// Takes every TLS index the process has, then loads the module named by its
// argument and calls its first use of thread-local storage, which cannot
// get an index. CheckTlsExhaustion.cmake expects the process to end as the
// C++ runtime ends it then (abort), at once, rather than hang.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>

#include "platform/Platform.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const platform::LibraryHandle module = LoadLibraryA(argv[1]);
  if (!module) return 4;
  const auto use = reinterpret_cast<int (*)()>(platform::FindExport(module, "UseThreadStorage"));
  if (!use) return 5;
  while (TlsAlloc() != TLS_OUT_OF_INDEXES) {
  }
  std::printf("every TLS index taken\n");
  std::fflush(stdout);
  use();
  return 0;  // it should not come back
}
