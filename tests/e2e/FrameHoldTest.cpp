// The plugin holds no frame between host frames: once a picture is in the
// texture, its storage goes back to the worker for a later picture. Seen
// from outside as the picture buffers the worker makes. Its own program,
// because it replaces the global allocation functions, and it exports them
// so that the plugin library's allocations come here too.
#include <atomic>
#include <cstdlib>
#include <new>

#include "E2eSupport.h"

namespace {

// While non-zero, allocations of exactly this many bytes on every thread but
// the test's own (the host's) are counted.
std::atomic<std::size_t> gCountedSize{0};
std::atomic<int> gCounted{0};
thread_local bool tIsHostThread = false;

}  // namespace

#define EXPORTED __attribute__((visibility("default")))
EXPORTED void* operator new(std::size_t size) {
  if (size != 0 && size == gCountedSize.load() && !tIsHostThread) ++gCounted;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
EXPORTED void* operator new[](std::size_t size) { return ::operator new(size); }
// The GL driver's compiler allocates with these: every allocation function
// it may pair with the deletes below has to be this program's.
EXPORTED void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}
EXPORTED void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}
EXPORTED void operator delete(void* p) noexcept { std::free(p); }
EXPORTED void operator delete[](void* p) noexcept { std::free(p); }
EXPORTED void operator delete(void* p, std::size_t) noexcept { std::free(p); }
EXPORTED void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using FrameHold = e2e::PreviewTest;

// The host draws once for every two pictures. A draw that let its frame go
// leaves two buffers enough for the stream: the published frame and the one
// being filled. A frame kept until the next draw needs a third.
TEST_F(FrameHold, AfterEachDrawThePluginHoldsNoFrame) {
  tIsHostThread = true;
  auto& instance = Instantiate();
  ASSERT_TRUE(RenderUntilReceiving(instance, e2e::kMainSource));
  e2e::SolidPicture picture(50, 30, e2e::kCyan);
  gCounted = 0;
  gCountedSize = std::size_t{50} * 30 * 4;
  ASSERT_TRUE(e2e::Publish(picture.frame));
  for (int round = 0; round < 10; ++round) {
    EXPECT_PIXEL(Render(instance), 80, 45, e2e::kCyan);
    ASSERT_TRUE(e2e::Publish(picture.frame));
    ASSERT_TRUE(e2e::Publish(picture.frame));
  }
  gCountedSize = 0;
  EXPECT_EQ(gCounted.load(), 2) << "picture buffers the worker made";
}

}  // namespace
