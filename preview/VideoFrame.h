// One received picture, and what the receiver hands to the host's thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct NdiVideoFrameRecord;

// A packed BGRA (or BGRX) picture, rows top-down with no padding. Made once
// and never written once published, so any thread may read it and whichever
// drops the last reference releases it.
struct VideoFrame {
  std::int32_t width = 0;   // 1 to 8192
  std::int32_t height = 0;  // 1 to 8192
  float aspect = 1.0f;      // display width over height
  std::vector<std::uint8_t> pixels;  // width * height * 4 bytes
  std::int64_t timestampNs = 0;      // steady clock at receipt
};

// The clock of `timestampNs`: the steady clock in nanoseconds. The draw
// reads the same one to tell how old a frame is.
std::int64_t SteadyNowNs();

// The receiver's state as the host's thread sees it: a copy of the status
// text and a reference to the newest frame (empty when there is none).
struct ReceiverSnapshot {
  std::string status = "Starting NDI";
  std::shared_ptr<VideoFrame> frame;
};

// Frames are limited to this many pixels each way.
constexpr std::int32_t kMaxVideoFrameSide = 8192;

// Spare pixel storage for one receiver's frames. A 4K picture is 32 MiB, and
// a fresh buffer of that size is a fresh mapping that faults in page by page
// on every frame; reusing the storage of frames nobody holds any more avoids
// that. Shared by the receiver and every frame it made, so a frame may
// outlive its receiver, and any thread may hand storage back. The slots are
// lock-free, claimed by exchanging their state.
//
// A stream needs three buffers at most: the published frame, the one the
// host is still uploading from, and the one the worker fills. While a
// stream runs the published frame is out, so two slots keep every other
// buffer for reuse and none is made anew.
class VideoFramePool {
 public:
  static constexpr int kSlots = 2;

  VideoFramePool() = default;
  VideoFramePool(const VideoFramePool&) = delete;
  VideoFramePool& operator=(const VideoFramePool&) = delete;

  // Empty storage with room for exactly `bytes`, or an empty vector with no
  // room when the pool has none of that size. Spare storage of any other
  // size is freed: the source changed size and will not need it again.
  std::vector<std::uint8_t> Take(std::size_t bytes);
  // Keeps the storage for the next Take when it has the size last asked
  // for and a slot is free; frees it otherwise.
  void Give(std::vector<std::uint8_t>&& pixels) noexcept;
  // How many buffers wait for reuse (exact only while no thread uses the pool).
  int SpareBuffers() const;

 private:
  enum SlotState : int { kEmpty, kBusy, kFull };
  struct Slot {
    std::atomic<int> state{kEmpty};
    std::vector<std::uint8_t> pixels;
  };

  Slot slots[kSlots];
  std::atomic<std::size_t> wantedBytes{0};
};

// Makes a packed copy of a captured video record received at `receivedNs`,
// in storage from `pool` (to which it returns when the frame's last
// reference drops), or returns null when the record is not an acceptable
// picture (null data, a side outside 1 to 8192, a stride too short for a
// row, a FourCC other than BGRA or BGRX). Throws std::bad_alloc when the copy
// cannot be allocated.
std::shared_ptr<VideoFrame> MakeVideoFrame(const NdiVideoFrameRecord& record, std::int64_t receivedNs,
                                           const std::shared_ptr<VideoFramePool>& pool);
