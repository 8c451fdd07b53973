// Frame intake on the worker: what accepting one captured picture costs
// (allocation, row copy out of a padded runtime buffer, publication under
// the receiver's lock, release of the frame it replaces) against a plain
// memcpy of the same bytes into a buffer allocated beforehand.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "BenchFigures.h"
#include "preview/NdiRecords.h"
#include "preview/VideoFrame.h"

namespace {

constexpr std::int32_t kRowPadding = 256;  // bytes past each row in the runtime's buffer

// A captured BGRA picture as the runtime hands it over, rows padded.
struct CapturedPicture {
  std::vector<std::uint8_t> bytes;
  NdiVideoFrameRecord record{};

  CapturedPicture(std::int32_t width, std::int32_t height) {
    record.xres = width;
    record.yres = height;
    record.fourCC = kNdiFourCCBgra;
    record.lineStride = width * 4 + kRowPadding;
    bytes.resize(static_cast<std::size_t>(record.lineStride) * height);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 13);
    record.data = bytes.data();
  }
  std::size_t PackedBytes() const { return std::size_t(record.xres) * std::size_t(record.yres) * 4; }
};

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void BM_FrameIntake(benchmark::State& state) {
  CapturedPicture picture(static_cast<std::int32_t>(state.range(0)), static_cast<std::int32_t>(state.range(1)));
  std::mutex mutex;
  std::shared_ptr<VideoFrame> published;
  for (auto _ : state) {
    std::shared_ptr<VideoFrame> frame = MakeVideoFrame(picture.record, NowNs());
    {
      std::lock_guard<std::mutex> lock(mutex);
      published.swap(frame);
    }
    frame.reset();  // the replaced frame, freed outside the lock as the worker does
  }
  benchmark::DoNotOptimize(published);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * picture.PackedBytes()));
}

void BM_Memcpy(benchmark::State& state) {
  CapturedPicture picture(static_cast<std::int32_t>(state.range(0)), static_cast<std::int32_t>(state.range(1)));
  std::vector<std::uint8_t> target(picture.PackedBytes(), 1);
  for (auto _ : state) {
    std::memcpy(target.data(), picture.bytes.data(), target.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * picture.PackedBytes()));
}

// Where the intake's time goes: the same row copy into a fresh buffer that
// is not zero-filled first (the frame's vector is value-initialised by its
// resize before the rows are copied over it).
void BM_RowCopyIntoFreshBuffer(benchmark::State& state) {
  CapturedPicture picture(static_cast<std::int32_t>(state.range(0)), static_cast<std::int32_t>(state.range(1)));
  const std::size_t rowBytes = std::size_t(picture.record.xres) * 4;
  for (auto _ : state) {
    std::unique_ptr<std::uint8_t[]> target(new std::uint8_t[picture.PackedBytes()]);
    for (std::int32_t y = 0; y < picture.record.yres; ++y) {
      std::memcpy(target.get() + y * rowBytes, picture.record.data + std::size_t(y) * picture.record.lineStride,
                  rowBytes);
    }
    benchmark::DoNotOptimize(target.get());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * picture.PackedBytes()));
}

BENCHMARK(BM_FrameIntake)->Args({1920, 1080})->Args({3840, 2160})->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowCopyIntoFreshBuffer)->Args({1920, 1080})->Args({3840, 2160})->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Args({1920, 1080})->Args({3840, 2160})->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  using benchfig::Ratio;
  return benchfig::RunAndReport(argc, argv, {
      {"frame intake 1920x1080 / memcpy", "x", 1.25,
       [](const benchfig::Results& r) {
         return Ratio(r, "BM_FrameIntake/1920/1080/real_time", "BM_Memcpy/1920/1080/real_time");
       }},
      {"frame intake 3840x2160 / memcpy", "x", 1.25,
       [](const benchfig::Results& r) {
         return Ratio(r, "BM_FrameIntake/3840/2160/real_time", "BM_Memcpy/3840/2160/real_time");
       }},
      {"row copy into a fresh buffer not zero-filled first, 3840x2160 / memcpy", "x", NAN,
       [](const benchfig::Results& r) {
         return Ratio(r, "BM_RowCopyIntoFreshBuffer/3840/2160/real_time", "BM_Memcpy/3840/2160/real_time");
       }},
  });
}
