// The records and function-table slots shared with the NDI runtime, a closed
// library reached only through the table its load export returns. Layouts
// are those of x86-64: little-endian, 8-byte pointers, offsets in bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// The runtime's table of entry points: an array of 64-bit function pointers
// owned by the runtime, valid while the library stays loaded. Opaque here:
// it is only ever read slot by slot, by byte offset.
struct NdiFunctionTable;

// One element of the runtime's array of discovered sources. Either text may
// be null.
struct NdiSourceRecord {
  const char* name;  // NUL-terminated
  const char* url;   // NUL-terminated address text
};
static_assert(sizeof(NdiSourceRecord) == 16, "NdiSourceRecord size");
static_assert(offsetof(NdiSourceRecord, name) == 0, "NdiSourceRecord::name");
static_assert(offsetof(NdiSourceRecord, url) == 8, "NdiSourceRecord::url");

// What a receiver is created with.
struct NdiReceiverSettings {
  NdiSourceRecord source;  // both null: connect later
  std::int32_t colorFormat;
  std::int32_t bandwidth;
  bool allowVideoFields;
  const char* name;  // how the receiver announces itself
};
static_assert(sizeof(NdiReceiverSettings) == 40, "NdiReceiverSettings size");
static_assert(offsetof(NdiReceiverSettings, source) == 0, "NdiReceiverSettings::source");
static_assert(offsetof(NdiReceiverSettings, colorFormat) == 16, "NdiReceiverSettings::colorFormat");
static_assert(offsetof(NdiReceiverSettings, bandwidth) == 20, "NdiReceiverSettings::bandwidth");
static_assert(offsetof(NdiReceiverSettings, allowVideoFields) == 24,
              "NdiReceiverSettings::allowVideoFields");
static_assert(offsetof(NdiReceiverSettings, name) == 32, "NdiReceiverSettings::name");

// The capture record: written by the caller before a capture, filled by the
// runtime when the capture returns a video frame, handed back afterwards.
struct NdiVideoFrameRecord {
  std::int32_t xres;
  std::int32_t yres;
  std::uint32_t fourCC;
  std::int32_t frameRateN;
  std::int32_t frameRateD;
  float pictureAspectRatio;
  std::int32_t frameFormat;
  std::int64_t timecode;
  std::uint8_t* data;
  std::int32_t lineStride;
  const char* metadata;
  std::int64_t timestamp;
};
static_assert(sizeof(NdiVideoFrameRecord) == 72, "NdiVideoFrameRecord size");
static_assert(offsetof(NdiVideoFrameRecord, xres) == 0, "NdiVideoFrameRecord::xres");
static_assert(offsetof(NdiVideoFrameRecord, yres) == 4, "NdiVideoFrameRecord::yres");
static_assert(offsetof(NdiVideoFrameRecord, fourCC) == 8, "NdiVideoFrameRecord::fourCC");
static_assert(offsetof(NdiVideoFrameRecord, frameRateN) == 12, "NdiVideoFrameRecord::frameRateN");
static_assert(offsetof(NdiVideoFrameRecord, frameRateD) == 16, "NdiVideoFrameRecord::frameRateD");
static_assert(offsetof(NdiVideoFrameRecord, pictureAspectRatio) == 20,
              "NdiVideoFrameRecord::pictureAspectRatio");
static_assert(offsetof(NdiVideoFrameRecord, frameFormat) == 24, "NdiVideoFrameRecord::frameFormat");
static_assert(offsetof(NdiVideoFrameRecord, timecode) == 32, "NdiVideoFrameRecord::timecode");
static_assert(offsetof(NdiVideoFrameRecord, data) == 40, "NdiVideoFrameRecord::data");
static_assert(offsetof(NdiVideoFrameRecord, lineStride) == 48, "NdiVideoFrameRecord::lineStride");
static_assert(offsetof(NdiVideoFrameRecord, metadata) == 56, "NdiVideoFrameRecord::metadata");
static_assert(offsetof(NdiVideoFrameRecord, timestamp) == 64, "NdiVideoFrameRecord::timestamp");

// FourCC codes: the four characters in memory order as a little-endian u32.
constexpr std::uint32_t kNdiFourCCUyvy = 0x59565955;  // 'UYVY'
constexpr std::uint32_t kNdiFourCCBgra = 0x41524742;  // 'BGRA'
constexpr std::uint32_t kNdiFourCCBgrx = 0x58524742;  // 'BGRX'

// Capture results acted on; every other result means nothing this time.
constexpr std::int32_t kNdiFrameTypeVideo = 1;
constexpr std::int32_t kNdiFrameTypeError = 4;

// A slot of the function table: its byte offset and its call shape.
template <std::size_t ByteOffset, typename Fn>
struct NdiSlot {
  static constexpr std::size_t kOffset = ByteOffset;
  using Function = Fn;
};

// The only slots this system calls. Handles are opaque runtime pointers.
using NdiIsReadySlot = NdiSlot<24, bool (*)()>;
using NdiFindCreateSlot = NdiSlot<40, void* (*)(const void* settings)>;
using NdiFindDestroySlot = NdiSlot<48, void (*)(void* finder)>;
using NdiRecvDestroySlot = NdiSlot<184, void (*)(void* receiver)>;
using NdiFindGetCurrentSourcesSlot =
    NdiSlot<344, const NdiSourceRecord* (*)(void* finder, std::uint32_t* count)>;
using NdiRecvFreeVideoSlot = NdiSlot<376, void (*)(void* receiver, NdiVideoFrameRecord* video)>;
using NdiRecvCaptureSlot =
    NdiSlot<392, std::int32_t (*)(void* receiver, NdiVideoFrameRecord* video, void* audio,
                                  void* metadata, std::uint32_t timeoutMs)>;
using NdiRecvCreateSlot = NdiSlot<672, void* (*)(const NdiReceiverSettings* settings)>;
using NdiRecvConnectSlot = NdiSlot<680, void (*)(void* receiver, const NdiSourceRecord* source)>;

// Reads one slot of the table. The table is raw bytes to us, so the pointer
// is copied out rather than reached through a struct we do not have.
template <typename Slot>
typename Slot::Function GetNdiSlot(const NdiFunctionTable* table) {
  typename Slot::Function function;
  std::memcpy(&function, reinterpret_cast<const unsigned char*>(table) + Slot::kOffset,
              sizeof function);
  return function;
}
