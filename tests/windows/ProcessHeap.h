// The bytes allocated in every heap of this process right now, found by
// walking each heap (GetProcessMemoryInfo's private figures read 0 under
// Wine). The C runtime of every module allocates from one of these heaps,
// so what a plugin DLL keeps after its unload shows up here.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <vector>

namespace testos {

struct HeapUse {
  std::int64_t bytes = 0;
  std::int64_t blocks = 0;
};

inline HeapUse AllocatedHeapBytes() {
  // Room for far more heaps than a test process has; the list is fetched
  // before the walk so that the walk allocates nothing it then counts.
  std::vector<HANDLE> heaps(256);
  const DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  heaps.resize(count < heaps.size() ? count : heaps.size());
  HeapUse use;
  for (HANDLE heap : heaps) {
    if (!HeapLock(heap)) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
        use.bytes += entry.cbData;
        ++use.blocks;
      }
    }
    HeapUnlock(heap);
  }
  return use;
}

}  // namespace testos
