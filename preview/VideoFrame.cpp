#include "preview/VideoFrame.h"

#include <chrono>
#include <type_traits>
#include <utility>

#include "preview/NdiRecords.h"

std::int64_t SteadyNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

namespace {

bool IsAcceptable(const NdiVideoFrameRecord& record) {
  if (!record.data) return false;
  if (record.xres < 1 || record.xres > kMaxVideoFrameSide) return false;
  if (record.yres < 1 || record.yres > kMaxVideoFrameSide) return false;
  if (static_cast<std::int64_t>(record.lineStride) < std::int64_t{record.xres} * 4) return false;
  return record.fourCC == kNdiFourCCBgra || record.fourCC == kNdiFourCCBgrx;
}

// Makes the frame and its reference count in one allocation, like
// std::make_shared, and hands the frame's pixel storage back to the pool
// just before the frame is destroyed, on whichever thread dropped the last
// reference. The copy kept beside the count holds the pool alive.
template <typename T>
struct PoolReturningAllocator {
  using value_type = T;

  explicit PoolReturningAllocator(std::shared_ptr<VideoFramePool> pool) : pool(std::move(pool)) {}
  template <typename U>
  PoolReturningAllocator(const PoolReturningAllocator<U>& other) : pool(other.pool) {}

  T* allocate(std::size_t n) { return std::allocator<T>().allocate(n); }
  void deallocate(T* p, std::size_t n) { std::allocator<T>().deallocate(p, n); }
  template <typename U>
  void destroy(U* object) noexcept {
    if constexpr (std::is_same_v<U, VideoFrame>) pool->Give(std::move(object->pixels));
    object->~U();
  }

  template <typename U>
  bool operator==(const PoolReturningAllocator<U>& other) const { return pool == other.pool; }
  template <typename U>
  bool operator!=(const PoolReturningAllocator<U>& other) const { return pool != other.pool; }

  std::shared_ptr<VideoFramePool> pool;
};

}  // namespace

std::vector<std::uint8_t> VideoFramePool::Take(std::size_t bytes) {
  wantedBytes.store(bytes);
  for (Slot& slot : slots) {
    int full = kFull;
    if (!slot.state.compare_exchange_strong(full, kBusy, std::memory_order_acquire)) continue;
    std::vector<std::uint8_t> pixels = std::move(slot.pixels);
    slot.state.store(kEmpty, std::memory_order_release);
    if (pixels.capacity() == bytes) {
      pixels.clear();
      return pixels;
    }
  }  // storage of another size ends with its loop pass
  return {};
}

void VideoFramePool::Give(std::vector<std::uint8_t>&& pixels) noexcept {
  if (pixels.capacity() == 0 || pixels.capacity() != wantedBytes.load()) return;
  for (Slot& slot : slots) {
    int empty = kEmpty;
    if (!slot.state.compare_exchange_strong(empty, kBusy, std::memory_order_acquire)) continue;
    slot.pixels = std::move(pixels);
    slot.state.store(kFull, std::memory_order_release);
    return;
  }
}  // of an old size, or every slot taken: the storage is freed with the frame

int VideoFramePool::SpareBuffers() const {
  int spare = 0;
  for (const Slot& slot : slots) spare += slot.state.load() == kFull ? 1 : 0;
  return spare;
}

std::shared_ptr<VideoFrame> MakeVideoFrame(const NdiVideoFrameRecord& record, std::int64_t receivedNs,
                                           const std::shared_ptr<VideoFramePool>& pool) {
  if (!IsAcceptable(record)) return nullptr;

  auto frame = std::allocate_shared<VideoFrame>(PoolReturningAllocator<VideoFrame>(pool));
  frame->width = record.xres;
  frame->height = record.yres;
  // A NaN is not greater than 0 either, so it falls back like 0 and below.
  frame->aspect = record.pictureAspectRatio > 0.0f
                      ? record.pictureAspectRatio
                      : static_cast<float>(record.xres) / static_cast<float>(record.yres);
  frame->timestampNs = receivedNs;

  // Rows are appended into reserved storage rather than copied over a
  // resized buffer: resizing would zero up to 256 MiB first, a second full
  // pass over the picture on the worker. Reused storage has the room already.
  // Rows without padding between them go as one block, which lets the C
  // library stream a large copy past the caches instead of through them.
  const std::size_t rowBytes = static_cast<std::size_t>(record.xres) * 4;
  const std::size_t bytes = rowBytes * static_cast<std::size_t>(record.yres);
  const bool packed = static_cast<std::size_t>(record.lineStride) == rowBytes;
  const std::size_t blockBytes = packed ? bytes : rowBytes;
  const std::int32_t blocks = packed ? 1 : record.yres;
  frame->pixels = pool->Take(bytes);
  frame->pixels.reserve(bytes);
  const std::uint8_t* source = record.data;
  for (std::int32_t block = 0; block < blocks; ++block) {
    frame->pixels.insert(frame->pixels.end(), source, source + blockBytes);
    source += record.lineStride;
  }
  return frame;
}
