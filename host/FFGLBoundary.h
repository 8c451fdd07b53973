// The host boundary: the value type, codes and records that cross plugMain.
//
// Everything here is plain data shared with the host, so every size and
// offset is pinned with a static_assert. The GL helpers include this header
// (for TextureRecord) and nothing else from the host interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// The 64-bit value in which plugMain receives its input and returns its
// answer: a 32-bit integer or a float's bits in the low half, or a pointer
// filling all 64 bits. Built only through the From* helpers, so the upper
// half of a 32-bit answer is always zero.
struct FFGLValue {
  uint64_t bits;

  static FFGLValue FromUInt(uint32_t value) { return FFGLValue{value}; }
  static FFGLValue FromFloat(float value) {
    uint32_t raw;
    std::memcpy(&raw, &value, sizeof raw);
    return FFGLValue{raw};
  }
  static FFGLValue FromPointer(const void* pointer) {
    return FFGLValue{static_cast<uint64_t>(reinterpret_cast<uintptr_t>(pointer))};
  }

  uint32_t AsUInt() const { return static_cast<uint32_t>(bits); }
  float AsFloat() const {
    const uint32_t raw = AsUInt();
    float value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
  }
  void* AsPointer() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(bits)); }
};
static_assert(sizeof(FFGLValue) == 8, "FFGLValue is one 64-bit value");

// The instance handle: the address of the plugin object returned by code 18.
using FFGLInstanceHandle = void*;

// The two exports, as the host sees them.
using PlugMainFunction = FFGLValue (*)(uint32_t functionCode, FFGLValue input,
                                       FFGLInstanceHandle instance);
using HostLogFunction = void (*)(const char* text);
using SetLogCallbackFunction = void (*)(HostLogFunction callback);

// Result codes (low 32 bits).
constexpr uint32_t FF_SUCCESS = 0;
constexpr uint32_t FF_FAIL = 0xFFFFFFFFu;

// Plugin types.
constexpr uint32_t FF_EFFECT = 0;
constexpr uint32_t FF_SOURCE = 1;
constexpr uint32_t FF_MIXER = 2;

// Function codes. Codes 1, 3, 11, 12, 14 and 24 to 30 are not handled.
constexpr uint32_t FF_GET_INFO = 0;
constexpr uint32_t FF_DEINITIALISE = 2;
constexpr uint32_t FF_GET_NUM_PARAMETERS = 4;
constexpr uint32_t FF_GET_PARAMETER_NAME = 5;
constexpr uint32_t FF_GET_PARAMETER_DEFAULT = 6;
constexpr uint32_t FF_GET_PARAMETER_DISPLAY = 7;
constexpr uint32_t FF_SET_PARAMETER = 8;
constexpr uint32_t FF_GET_PARAMETER = 9;
constexpr uint32_t FF_GET_PLUGIN_CAPS = 10;
constexpr uint32_t FF_GET_EXTENDED_INFO = 13;
constexpr uint32_t FF_GET_PARAMETER_TYPE = 15;
constexpr uint32_t FF_GET_INPUT_STATUS = 16;
constexpr uint32_t FF_PROCESS_OPENGL = 17;
constexpr uint32_t FF_INSTANTIATE_GL = 18;
constexpr uint32_t FF_DEINSTANTIATE_GL = 19;
constexpr uint32_t FF_SET_TIME = 20;
constexpr uint32_t FF_CONNECT = 21;
constexpr uint32_t FF_DISCONNECT = 22;
constexpr uint32_t FF_RESIZE = 23;
constexpr uint32_t FF_GET_NUM_PARAMETER_ELEMENTS = 31;
constexpr uint32_t FF_GET_PARAMETER_USAGE = 32;
constexpr uint32_t FF_GET_PLUGIN_SHORT_NAME = 33;
constexpr uint32_t FF_INITIALISE = 34;
constexpr uint32_t FF_GET_PARAMETER_ELEMENT_NAME = 35;
constexpr uint32_t FF_GET_PARAMETER_ELEMENT_VALUE = 36;
constexpr uint32_t FF_SET_PARAMETER_ELEMENT_VALUE = 37;
constexpr uint32_t FF_SET_BEAT_INFO = 38;
constexpr uint32_t FF_SET_HOST_INFO = 39;
constexpr uint32_t FF_SET_SAMPLE_RATE = 40;
constexpr uint32_t FF_GET_PARAMETER_RANGE = 41;
constexpr uint32_t FF_GET_THUMBNAIL = 42;
constexpr uint32_t FF_GET_NUM_FILE_PARAMETER_EXTENSIONS = 43;
constexpr uint32_t FF_GET_FILE_PARAMETER_EXTENSION = 44;
constexpr uint32_t FF_GET_PARAMETER_VISIBILITY = 45;
constexpr uint32_t FF_GET_PARAMETER_EVENTS = 46;
constexpr uint32_t FF_GET_NUM_ELEMENT_SEPARATORS = 47;
constexpr uint32_t FF_GET_SEPARATOR_ELEMENT_INDEX = 48;
constexpr uint32_t FF_ENABLE_PLUGIN_CAP = 49;
constexpr uint32_t FF_GET_PARAMETER_GROUP = 50;
constexpr uint32_t FF_GET_PARAMETER_DISPLAY_NAME = 51;
constexpr uint32_t FF_FUNCTION_CODE_COUNT = 52;

// Parameter types. 100 and 14 carry text; every other type a float.
constexpr uint32_t FF_TYPE_BOOLEAN = 0;
constexpr uint32_t FF_TYPE_EVENT = 1;
constexpr uint32_t FF_TYPE_RED = 2;
constexpr uint32_t FF_TYPE_GREEN = 3;
constexpr uint32_t FF_TYPE_BLUE = 4;
constexpr uint32_t FF_TYPE_STANDARD = 10;
constexpr uint32_t FF_TYPE_OPTION = 11;
constexpr uint32_t FF_TYPE_BUFFER = 12;
constexpr uint32_t FF_TYPE_INTEGER = 13;
constexpr uint32_t FF_TYPE_FILE = 14;
constexpr uint32_t FF_TYPE_TEXT = 100;
constexpr uint32_t FF_TYPE_HUE = 200;
constexpr uint32_t FF_TYPE_SATURATION = 201;
constexpr uint32_t FF_TYPE_BRIGHTNESS = 202;
constexpr uint32_t FF_TYPE_ALPHA = 203;

inline bool IsTextParameterType(uint32_t type) {
  return type == FF_TYPE_TEXT || type == FF_TYPE_FILE;
}

// Parameter usages (code 32).
constexpr uint32_t FF_USAGE_STANDARD = 0;
constexpr uint32_t FF_USAGE_FFT = 1;

// Parameter event flags (code 46).
constexpr uint64_t FF_EVENT_FLAG_VISIBILITY = 1;
constexpr uint64_t FF_EVENT_FLAG_DISPLAY_NAME = 2;
constexpr uint64_t FF_EVENT_FLAG_VALUE = 4;
constexpr uint64_t FF_EVENT_FLAG_ELEMENTS = 8;

// Capabilities (codes 10 and 49).
constexpr uint32_t FF_CAP_SET_TIME = 5;
constexpr uint32_t FF_CAP_MINIMUM_INPUT_FRAMES = 10;
constexpr uint32_t FF_CAP_MAXIMUM_INPUT_FRAMES = 11;
constexpr uint32_t FF_CAP_TOP_LEFT_TEXTURE_ORIENTATION = 16;

// ---------------------------------------------------------------------------
// Records. Little-endian, natural alignment; the offsets are the format.

struct PluginInfoRecord {  // code 0
  uint32_t APIMajorVersion;
  uint32_t APIMinorVersion;
  char PluginUniqueID[4];  // no terminator
  char PluginName[16];     // zero-padded; no terminator at 16 characters
  uint32_t PluginType;
};
static_assert(sizeof(PluginInfoRecord) == 32, "PluginInfoRecord size");
static_assert(offsetof(PluginInfoRecord, APIMinorVersion) == 4, "PluginInfoRecord layout");
static_assert(offsetof(PluginInfoRecord, PluginUniqueID) == 8, "PluginInfoRecord layout");
static_assert(offsetof(PluginInfoRecord, PluginName) == 12, "PluginInfoRecord layout");
static_assert(offsetof(PluginInfoRecord, PluginType) == 28, "PluginInfoRecord layout");

struct ExtendedInfoRecord {  // code 13
  uint32_t PluginMajorVersion;
  uint32_t PluginMinorVersion;
  const char* Description;
  const char* About;
  uint32_t FreeFrameExtendedDataSize;
  uint32_t Padding;
  const void* FreeFrameExtendedDataBlock;
};
static_assert(sizeof(ExtendedInfoRecord) == 40, "ExtendedInfoRecord size");
static_assert(offsetof(ExtendedInfoRecord, PluginMinorVersion) == 4, "ExtendedInfoRecord layout");
static_assert(offsetof(ExtendedInfoRecord, Description) == 8, "ExtendedInfoRecord layout");
static_assert(offsetof(ExtendedInfoRecord, About) == 16, "ExtendedInfoRecord layout");
static_assert(offsetof(ExtendedInfoRecord, FreeFrameExtendedDataSize) == 24,
              "ExtendedInfoRecord layout");
static_assert(offsetof(ExtendedInfoRecord, FreeFrameExtendedDataBlock) == 32,
              "ExtendedInfoRecord layout");

struct ViewportRecord {  // codes 18 and 23
  uint32_t x;
  uint32_t y;
  uint32_t width;
  uint32_t height;
};
static_assert(sizeof(ViewportRecord) == 16, "ViewportRecord size");
static_assert(offsetof(ViewportRecord, y) == 4, "ViewportRecord layout");
static_assert(offsetof(ViewportRecord, width) == 8, "ViewportRecord layout");
static_assert(offsetof(ViewportRecord, height) == 12, "ViewportRecord layout");

struct TextureRecord {
  uint32_t Width;
  uint32_t Height;
  uint32_t HardwareWidth;   // allocated size of the GL texture,
  uint32_t HardwareHeight;  // which may exceed Width and Height
  uint32_t Handle;          // OpenGL texture name
};
static_assert(sizeof(TextureRecord) == 20, "TextureRecord size");
static_assert(offsetof(TextureRecord, Height) == 4, "TextureRecord layout");
static_assert(offsetof(TextureRecord, HardwareWidth) == 8, "TextureRecord layout");
static_assert(offsetof(TextureRecord, HardwareHeight) == 12, "TextureRecord layout");
static_assert(offsetof(TextureRecord, Handle) == 16, "TextureRecord layout");

struct ProcessOpenGLRecord {  // code 17
  uint32_t numInputTextures;
  TextureRecord** inputTextures;
};
static_assert(sizeof(ProcessOpenGLRecord) == 16, "ProcessOpenGLRecord size");
static_assert(offsetof(ProcessOpenGLRecord, inputTextures) == 8, "ProcessOpenGLRecord layout");

struct SetParameterRecord {  // code 8
  uint32_t ParameterNumber;
  // Types 100 and 14: a pointer to the new text; others: the float in the
  // low 4 bytes.
  uint64_t NewParameterValue;
};
static_assert(sizeof(SetParameterRecord) == 16, "SetParameterRecord size");
static_assert(offsetof(SetParameterRecord, NewParameterValue) == 8, "SetParameterRecord layout");

struct ElementAddressRecord {  // codes 35, 36, 44, 48
  uint32_t ParameterNumber;
  uint32_t ElementNumber;
};
static_assert(sizeof(ElementAddressRecord) == 8, "ElementAddressRecord size");
static_assert(offsetof(ElementAddressRecord, ElementNumber) == 4, "ElementAddressRecord layout");

struct ElementValueRecord {  // code 37
  uint32_t ParameterNumber;
  uint32_t ElementNumber;
  float NewParameterValue;
};
static_assert(sizeof(ElementValueRecord) == 12, "ElementValueRecord size");
static_assert(offsetof(ElementValueRecord, ElementNumber) == 4, "ElementValueRecord layout");
static_assert(offsetof(ElementValueRecord, NewParameterValue) == 8, "ElementValueRecord layout");

struct BeatInfoRecord {  // code 38
  float bpm;
  float barPhase;
};
static_assert(sizeof(BeatInfoRecord) == 8, "BeatInfoRecord size");
static_assert(offsetof(BeatInfoRecord, barPhase) == 4, "BeatInfoRecord layout");

struct HostInfoRecord {  // code 39
  const char* name;
  const char* version;
};
static_assert(sizeof(HostInfoRecord) == 16, "HostInfoRecord size");
static_assert(offsetof(HostInfoRecord, version) == 8, "HostInfoRecord layout");

struct ParameterRangeRecord {  // code 41
  uint32_t parameterNumber;  // in
  float min;                 // out
  float max;                 // out
};
static_assert(sizeof(ParameterRangeRecord) == 12, "ParameterRangeRecord size");
static_assert(offsetof(ParameterRangeRecord, min) == 4, "ParameterRangeRecord layout");
static_assert(offsetof(ParameterRangeRecord, max) == 8, "ParameterRangeRecord layout");

struct ThumbnailRecord {  // code 42
  uint32_t width;   // out
  uint32_t height;  // out
  void* rgbaPixelBuffer;  // the host's buffer, or null to ask for the size only
};
static_assert(sizeof(ThumbnailRecord) == 16, "ThumbnailRecord size");
static_assert(offsetof(ThumbnailRecord, height) == 4, "ThumbnailRecord layout");
static_assert(offsetof(ThumbnailRecord, rgbaPixelBuffer) == 8, "ThumbnailRecord layout");

struct ParameterEventRecord {
  uint32_t parameterID;
  uint64_t eventFlags;
};
static_assert(sizeof(ParameterEventRecord) == 16, "ParameterEventRecord size");
static_assert(offsetof(ParameterEventRecord, eventFlags) == 8, "ParameterEventRecord layout");

struct ParameterEventsRecord {  // code 46
  // In: the capacity of the array; out: the number handed over, or, without
  // an array, the number pending.
  uint32_t numEvents;
  ParameterEventRecord* events;
};
static_assert(sizeof(ParameterEventsRecord) == 16, "ParameterEventsRecord size");
static_assert(offsetof(ParameterEventsRecord, events) == 8, "ParameterEventsRecord layout");

struct StringOutRecord {  // codes 50 and 51
  uint32_t parameterNumber;
  char* stringBuffer;
  uint32_t bufferSize;
};
static_assert(sizeof(StringOutRecord) == 24, "StringOutRecord size");
static_assert(offsetof(StringOutRecord, stringBuffer) == 8, "StringOutRecord layout");
static_assert(offsetof(StringOutRecord, bufferSize) == 16, "StringOutRecord layout");
