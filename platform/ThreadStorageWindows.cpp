// Per-thread storage for the C++ code of one module (DLL or program) on
// Windows. The compiler reaches every thread_local object, and the C++
// runtime its per-thread exception state, through __emutls_get_address. The
// toolchain's own version allocates a TLS index and a lock on first use and
// never gives them back, so every load and unload of a DLL that ever threw
// or printed lost one TLS index and one handle, and after about a thousand
// loads the next one aborted the host. This version keeps one TLS index per
// module, frees a thread's storage when the thread ends, and gives the
// index and all storage back when the module unloads.
//
// Linked as an object into every module the build makes, it takes the place
// of the runtime's version (an archive member is only pulled in for a
// symbol nothing else defines).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// The mingw-w64 runtime calls a registered function with the key's value on
// every thread that ends, and unregisters it on request.
extern "C" int __mingwthr_key_dtor(DWORD key, void (*destructor)(void*));
extern "C" int __mingwthr_remove_key_dtor(DWORD key);

namespace {

// The compiler's record for one thread-local object (its layout is the
// compiler's, not ours). `index` is 0 until the object's first use, then
// its 1-based slot in every thread's Block.
struct EmulatedObject {
  std::size_t size;
  std::size_t align;
  std::uintptr_t index;
  const void* initialValue;  // null: zero-filled
};

// One thread's storage: a slot per object, each slot an allocation of its
// own (its start aligned; the raw pointer sits just before it). Blocks are
// chained so that the module can free those of threads still running when
// it unloads.
struct Block {
  Block* next;
  Block* previous;
  std::uintptr_t slotCount;
  void* slots[1];
};

SRWLOCK gLock = SRWLOCK_INIT;
DWORD gKey = TLS_OUT_OF_INDEXES;
std::uintptr_t gObjectCount = 0;
Block* gBlocks = nullptr;

void Link(Block* block) {
  block->previous = nullptr;
  block->next = gBlocks;
  if (gBlocks) gBlocks->previous = block;
  gBlocks = block;
}

void Unlink(Block* block) {
  if (block->previous) block->previous->next = block->next;
  else gBlocks = block->next;
  if (block->next) block->next->previous = block->previous;
}

void FreeBlock(Block* block) {
  for (std::uintptr_t i = 0; i < block->slotCount; ++i) {
    if (block->slots[i]) std::free(static_cast<void**>(block->slots[i])[-1]);
  }
  std::free(block);
}

// Runs on a thread as it ends (and on the unloading thread at unload).
void ThreadEnded(void* value) {
  Block* block = static_cast<Block*>(value);
  if (!block) return;
  AcquireSRWLockExclusive(&gLock);
  Unlink(block);
  ReleaseSRWLockExclusive(&gLock);
  TlsSetValue(gKey, nullptr);
  FreeBlock(block);
}

// The object's slot number, handed out on first use.
std::uintptr_t IndexOf(EmulatedObject& object) {
  std::uintptr_t index = __atomic_load_n(&object.index, __ATOMIC_ACQUIRE);
  if (index != 0) return index;
  AcquireSRWLockExclusive(&gLock);
  if (gKey == TLS_OUT_OF_INDEXES) {
    gKey = TlsAlloc();
    if (gKey == TLS_OUT_OF_INDEXES) {
      // As the runtime's version does, but with the lock released: the
      // exit that follows runs this module's unload code, which may use
      // thread-local storage and so take the lock again.
      ReleaseSRWLockExclusive(&gLock);
      std::abort();
    }
    __mingwthr_key_dtor(gKey, ThreadEnded);
  }
  index = object.index;
  if (index == 0) {
    index = ++gObjectCount;
    __atomic_store_n(&object.index, index, __ATOMIC_RELEASE);
  }
  ReleaseSRWLockExclusive(&gLock);
  return index;
}

// This thread's block, grown to hold at least `index` slots.
Block* ThreadBlock(std::uintptr_t index) {
  Block* block = static_cast<Block*>(TlsGetValue(gKey));
  if (block && block->slotCount >= index) return block;
  const std::uintptr_t slotCount = index + 16;  // room for objects first used later
  Block* grown = static_cast<Block*>(std::calloc(1, sizeof(Block) + slotCount * sizeof(void*)));
  if (!grown) std::abort();
  grown->slotCount = slotCount;
  AcquireSRWLockExclusive(&gLock);
  if (block) {
    std::memcpy(grown->slots, block->slots, block->slotCount * sizeof(void*));
    Unlink(block);
  }
  Link(grown);
  ReleaseSRWLockExclusive(&gLock);
  std::free(block);  // its slots moved over
  TlsSetValue(gKey, grown);
  return grown;
}

void* NewSlot(const EmulatedObject& object) {
  const std::size_t align = object.align < sizeof(void*) ? sizeof(void*) : object.align;
  void* raw = std::malloc(object.size + align + sizeof(void*));
  if (!raw) std::abort();
  const std::uintptr_t start =
      (reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*) + align - 1) & ~(align - 1);
  void* slot = reinterpret_cast<void*>(start);
  static_cast<void**>(slot)[-1] = raw;
  if (object.initialValue) std::memcpy(slot, object.initialValue, object.size);
  else std::memset(slot, 0, object.size);
  return slot;
}

}  // namespace

namespace platform {

// Gives the index and every thread's storage back; see ModuleUnloadWindows.cpp
// for when.
void ReleaseThreadStorage() {
  if (gKey == TLS_OUT_OF_INDEXES) return;
  __mingwthr_remove_key_dtor(gKey);
  TlsFree(gKey);
  gKey = TLS_OUT_OF_INDEXES;
  while (gBlocks) {
    Block* block = gBlocks;
    Unlink(block);
    FreeBlock(block);
  }
}

}  // namespace platform

extern "C" void* __emutls_get_address(void* record) {
  EmulatedObject& object = *static_cast<EmulatedObject*>(record);
  const std::uintptr_t index = IndexOf(object);
  void*& slot = ThreadBlock(index)->slots[index - 1];
  if (!slot) slot = NewSlot(object);
  return slot;
}

// Called for objects defined in common sections: keeps the largest size
// and alignment seen, and an initial value only for that size.
extern "C" void __emutls_register_common(void* record, std::size_t size, std::size_t align,
                                         void* initialValue) {
  EmulatedObject& object = *static_cast<EmulatedObject*>(record);
  if (object.size < size) {
    object.size = size;
    object.initialValue = nullptr;
  }
  if (object.align < align) object.align = align;
  if (initialValue && size == object.size) object.initialValue = initialValue;
}
