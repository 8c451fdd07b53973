#include "preview/VideoFrame.h"

#include "preview/NdiRecords.h"

namespace {

bool IsAcceptable(const NdiVideoFrameRecord& record) {
  if (!record.data) return false;
  if (record.xres < 1 || record.xres > kMaxVideoFrameSide) return false;
  if (record.yres < 1 || record.yres > kMaxVideoFrameSide) return false;
  if (static_cast<std::int64_t>(record.lineStride) < std::int64_t{record.xres} * 4) return false;
  return record.fourCC == kNdiFourCCBgra || record.fourCC == kNdiFourCCBgrx;
}

}  // namespace

std::shared_ptr<VideoFrame> MakeVideoFrame(const NdiVideoFrameRecord& record,
                                           std::int64_t receivedNs) {
  if (!IsAcceptable(record)) return nullptr;

  auto frame = std::make_shared<VideoFrame>();
  frame->width = record.xres;
  frame->height = record.yres;
  // A NaN is not greater than 0 either, so it falls back like 0 and below.
  frame->aspect = record.pictureAspectRatio > 0.0f
                      ? record.pictureAspectRatio
                      : static_cast<float>(record.xres) / static_cast<float>(record.yres);
  frame->timestampNs = receivedNs;

  // Rows are appended into reserved storage rather than copied over a
  // resized buffer: resizing would zero up to 256 MiB first, a second full
  // pass over the picture on the worker.
  const std::size_t rowBytes = static_cast<std::size_t>(record.xres) * 4;
  frame->pixels.reserve(rowBytes * static_cast<std::size_t>(record.yres));
  const std::uint8_t* source = record.data;
  for (std::int32_t y = 0; y < record.yres; ++y) {
    frame->pixels.insert(frame->pixels.end(), source, source + rowBytes);
    source += record.lineStride;
  }
  return frame;
}
