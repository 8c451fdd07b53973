#include "testing/plugin_host/PluginHost.h"

#include <filesystem>

#include "testing/plugin_host/HostFramebuffer.h"

namespace testhost {

namespace {

// The record of code 50 and 51 around a buffer of our own.
TextOut CallTextOut(const PluginLibrary& library, uint32_t code, uint32_t id, uint32_t bufferSize,
                    char fill, FFGLInstanceHandle instance) {
  TextOut out;
  out.buffer.assign(bufferSize, fill);
  StringOutRecord record{};
  record.parameterNumber = id;
  record.stringBuffer = out.buffer.empty() ? nullptr : &out.buffer[0];
  record.bufferSize = bufferSize;
  out.result = library.CallWithPointer(code, &record, instance).AsUInt();
  return out;
}

const char* AsText(FFGLValue value) { return static_cast<const char*>(value.AsPointer()); }

}  // namespace

// ---------------------------------------------------------------------------
// PluginLibrary

std::unique_ptr<PluginLibrary> PluginLibrary::Load(const std::string& path, std::string& error) {
  // u8path gives the OS's own characters (UTF-16 on Windows) and
  // make_preferred its separators: a full path for LoadLibraryExW's
  // search-beside-the-library mode must use backslashes.
  const platform::NativeString nativePath =
      std::filesystem::u8path(path).make_preferred().native();
  platform::LibraryHandle handle = platform::LoadLibraryFromPath(nativePath);
  if (!handle) {
    error = "cannot load plugin library " + path;
    return nullptr;
  }
  auto plugMain = reinterpret_cast<PlugMainFunction>(platform::FindExport(handle, "plugMain"));
  auto setLogCallback =
      reinterpret_cast<SetLogCallbackFunction>(platform::FindExport(handle, "SetLogCallback"));
  if (!plugMain || !setLogCallback) {
    platform::FreeLibraryHandle(handle);
    error = "plugin library " + path + " lacks plugMain or SetLogCallback";
    return nullptr;
  }
  return std::unique_ptr<PluginLibrary>(new PluginLibrary(handle, plugMain, setLogCallback));
}

PluginLibrary::PluginLibrary(platform::LibraryHandle handle, PlugMainFunction plugMain,
                             SetLogCallbackFunction setLogCallback)
    : handle_(handle), plugMain_(plugMain), setLogCallback_(setLogCallback) {}

PluginLibrary::~PluginLibrary() {
  DeInitialise();
  platform::FreeLibraryHandle(handle_);
}

FFGLValue PluginLibrary::Call(uint32_t code, FFGLValue input, FFGLInstanceHandle instance) const {
  return plugMain_(code, input, instance);
}

FFGLValue PluginLibrary::CallWithUInt(uint32_t code, uint32_t value,
                                      FFGLInstanceHandle instance) const {
  return Call(code, FFGLValue::FromUInt(value), instance);
}

FFGLValue PluginLibrary::CallWithPointer(uint32_t code, const void* record,
                                         FFGLInstanceHandle instance) const {
  return Call(code, FFGLValue::FromPointer(record), instance);
}

void PluginLibrary::SetLogCallback(HostLogFunction callback) const { setLogCallback_(callback); }

const PluginInfoRecord* PluginLibrary::GetInfo() const {
  return static_cast<const PluginInfoRecord*>(Call(FF_GET_INFO).AsPointer());
}

uint32_t PluginLibrary::DeInitialise() const { return Call(FF_DEINITIALISE).AsUInt(); }

uint32_t PluginLibrary::GetNumParameters() const { return Call(FF_GET_NUM_PARAMETERS).AsUInt(); }

const char* PluginLibrary::GetParameterName(uint32_t id) const {
  return AsText(CallWithUInt(FF_GET_PARAMETER_NAME, id));
}

FFGLValue PluginLibrary::GetParameterDefault(uint32_t id) const {
  return CallWithUInt(FF_GET_PARAMETER_DEFAULT, id);
}

float PluginLibrary::GetParameterDefaultFloat(uint32_t id) const {
  return GetParameterDefault(id).AsFloat();
}

const char* PluginLibrary::GetParameterDefaultText(uint32_t id) const {
  return AsText(GetParameterDefault(id));
}

uint32_t PluginLibrary::GetPluginCaps(uint32_t capability) const {
  return CallWithUInt(FF_GET_PLUGIN_CAPS, capability).AsUInt();
}

const ExtendedInfoRecord* PluginLibrary::GetExtendedInfo() const {
  return static_cast<const ExtendedInfoRecord*>(Call(FF_GET_EXTENDED_INFO).AsPointer());
}

uint32_t PluginLibrary::GetParameterType(uint32_t id) const {
  return CallWithUInt(FF_GET_PARAMETER_TYPE, id).AsUInt();
}

uint32_t PluginLibrary::GetParameterUsage(uint32_t id) const {
  return CallWithUInt(FF_GET_PARAMETER_USAGE, id).AsUInt();
}

const char* PluginLibrary::GetPluginShortName() const {
  return AsText(Call(FF_GET_PLUGIN_SHORT_NAME));
}

uint32_t PluginLibrary::Initialise() const { return Call(FF_INITIALISE).AsUInt(); }

ParameterRange PluginLibrary::GetParameterRange(uint32_t id) const {
  ParameterRangeRecord record{id, 0.0f, 0.0f};
  ParameterRange range;
  range.result = CallWithPointer(FF_GET_PARAMETER_RANGE, &record).AsUInt();
  range.min = record.min;
  range.max = record.max;
  return range;
}

Thumbnail PluginLibrary::GetThumbnail(bool withPixels) const {
  Thumbnail thumbnail;
  ThumbnailRecord record{};
  if (withPixels) {
    // Ask for the size first, as a host does, then for the pixels.
    CallWithPointer(FF_GET_THUMBNAIL, &record);
    thumbnail.pixels.resize(std::size_t{record.width} * record.height);
    record.rgbaPixelBuffer = thumbnail.pixels.data();
  }
  thumbnail.result = CallWithPointer(FF_GET_THUMBNAIL, &record).AsUInt();
  thumbnail.width = record.width;
  thumbnail.height = record.height;
  return thumbnail;
}

uint32_t PluginLibrary::GetNumFileParameterExtensions(uint32_t id) const {
  return CallWithUInt(FF_GET_NUM_FILE_PARAMETER_EXTENSIONS, id).AsUInt();
}

const char* PluginLibrary::GetFileParameterExtension(uint32_t id, uint32_t index) const {
  const ElementAddressRecord record{id, index};
  return AsText(CallWithPointer(FF_GET_FILE_PARAMETER_EXTENSION, &record));
}

uint32_t PluginLibrary::GetNumElementSeparators(uint32_t id) const {
  return CallWithUInt(FF_GET_NUM_ELEMENT_SEPARATORS, id).AsUInt();
}

uint32_t PluginLibrary::GetSeparatorElementIndex(uint32_t id, uint32_t index) const {
  const ElementAddressRecord record{id, index};
  return CallWithPointer(FF_GET_SEPARATOR_ELEMENT_INDEX, &record).AsUInt();
}

TextOut PluginLibrary::GetParameterGroup(uint32_t id, uint32_t bufferSize, char fill) const {
  return CallTextOut(*this, FF_GET_PARAMETER_GROUP, id, bufferSize, fill, nullptr);
}

uint32_t PluginLibrary::GetNumParameterElements(uint32_t id, FFGLInstanceHandle instance) const {
  return CallWithUInt(FF_GET_NUM_PARAMETER_ELEMENTS, id, instance).AsUInt();
}

const char* PluginLibrary::GetParameterElementName(uint32_t id, uint32_t index,
                                                   FFGLInstanceHandle instance) const {
  const ElementAddressRecord record{id, index};
  return AsText(CallWithPointer(FF_GET_PARAMETER_ELEMENT_NAME, &record, instance));
}

FFGLValue PluginLibrary::GetParameterElementValue(uint32_t id, uint32_t index,
                                                  FFGLInstanceHandle instance) const {
  const ElementAddressRecord record{id, index};
  return CallWithPointer(FF_GET_PARAMETER_ELEMENT_VALUE, &record, instance);
}

uint32_t PluginLibrary::GetParameterVisibility(uint32_t id, FFGLInstanceHandle instance) const {
  return CallWithUInt(FF_GET_PARAMETER_VISIBILITY, id, instance).AsUInt();
}

FFGLValue PluginLibrary::InstantiateRaw(const ViewportRecord* viewport) const {
  return CallWithPointer(FF_INSTANTIATE_GL, viewport);
}

std::unique_ptr<PluginInstance> PluginLibrary::Instantiate(const ViewportRecord& viewport) const {
  const FFGLValue answer = InstantiateRaw(&viewport);
  if (IsFail(answer) || !answer.AsPointer()) return nullptr;
  return std::make_unique<PluginInstance>(*this, answer.AsPointer());
}

// ---------------------------------------------------------------------------
// PluginInstance

PluginInstance::PluginInstance(const PluginLibrary& library, FFGLInstanceHandle handle)
    : library_(library), handle_(handle) {}

PluginInstance::~PluginInstance() { Deinstantiate(); }

FFGLValue PluginInstance::Call(uint32_t code, FFGLValue input) const {
  return library_.Call(code, input, handle_);
}

const char* PluginInstance::GetParameterDisplay(uint32_t id) const {
  return AsText(GetParameterDisplayRaw(id));
}

FFGLValue PluginInstance::GetParameterDisplayRaw(uint32_t id) const {
  return Call(FF_GET_PARAMETER_DISPLAY, FFGLValue::FromUInt(id));
}

uint32_t PluginInstance::SetParameterRaw(uint32_t id, uint64_t value) const {
  SetParameterRecord record{};
  record.ParameterNumber = id;
  record.NewParameterValue = value;
  return Call(FF_SET_PARAMETER, FFGLValue::FromPointer(&record)).AsUInt();
}

uint32_t PluginInstance::SetFloatParameter(uint32_t id, float value) const {
  return SetParameterRaw(id, FFGLValue::FromFloat(value).bits);
}

uint32_t PluginInstance::SetTextParameter(uint32_t id, const char* value) const {
  return SetParameterRaw(id, FFGLValue::FromPointer(value).bits);
}

FFGLValue PluginInstance::GetParameter(uint32_t id) const {
  return Call(FF_GET_PARAMETER, FFGLValue::FromUInt(id));
}

float PluginInstance::GetFloatParameter(uint32_t id) const { return GetParameter(id).AsFloat(); }

const char* PluginInstance::GetTextParameter(uint32_t id) const {
  return AsText(GetParameter(id));
}

uint32_t PluginInstance::GetInputStatus(uint32_t inputIndex) const {
  return Call(FF_GET_INPUT_STATUS, FFGLValue::FromUInt(inputIndex)).AsUInt();
}

uint32_t PluginInstance::ProcessOpenGL(const std::vector<TextureRecord>& inputs) const {
  // The host hands over an array of pointers to its texture records.
  std::vector<TextureRecord> textures = inputs;
  std::vector<TextureRecord*> pointers;
  for (TextureRecord& texture : textures) pointers.push_back(&texture);
  ProcessOpenGLRecord record{};
  record.numInputTextures = static_cast<uint32_t>(pointers.size());
  record.inputTextures = pointers.empty() ? nullptr : pointers.data();
  return Call(FF_PROCESS_OPENGL, FFGLValue::FromPointer(&record)).AsUInt();
}

uint32_t PluginInstance::RenderFrame(HostFramebuffer& target,
                                     const std::vector<TextureRecord>& inputs) const {
  target.Bind();
  const uint32_t result = ProcessOpenGL(inputs);
  target.Unbind();
  return result;
}

uint32_t PluginInstance::Deinstantiate() {
  if (!handle_) return FF_FAIL;
  const uint32_t result = Call(FF_DEINSTANTIATE_GL).AsUInt();
  handle_ = nullptr;
  return result;
}

uint32_t PluginInstance::SetTime(double time) const {
  return Call(FF_SET_TIME, FFGLValue::FromPointer(&time)).AsUInt();
}

uint32_t PluginInstance::Connect() const { return Call(FF_CONNECT).AsUInt(); }
uint32_t PluginInstance::Disconnect() const { return Call(FF_DISCONNECT).AsUInt(); }

uint32_t PluginInstance::Resize(const ViewportRecord& viewport) const {
  return Call(FF_RESIZE, FFGLValue::FromPointer(&viewport)).AsUInt();
}

uint32_t PluginInstance::GetNumParameterElements(uint32_t id) const {
  return library_.GetNumParameterElements(id, handle_);
}

const char* PluginInstance::GetParameterElementName(uint32_t id, uint32_t index) const {
  return library_.GetParameterElementName(id, index, handle_);
}

FFGLValue PluginInstance::GetParameterElementValue(uint32_t id, uint32_t index) const {
  return library_.GetParameterElementValue(id, index, handle_);
}

uint32_t PluginInstance::SetParameterElementValue(uint32_t id, uint32_t index, float value) const {
  const ElementValueRecord record{id, index, value};
  return Call(FF_SET_PARAMETER_ELEMENT_VALUE, FFGLValue::FromPointer(&record)).AsUInt();
}

uint32_t PluginInstance::SetBeatInfo(float bpm, float barPhase) const {
  const BeatInfoRecord record{bpm, barPhase};
  return Call(FF_SET_BEAT_INFO, FFGLValue::FromPointer(&record)).AsUInt();
}

uint32_t PluginInstance::SetHostInfo(const char* text1, const char* text2) const {
  const HostInfoRecord record{text1, text2};
  return Call(FF_SET_HOST_INFO, FFGLValue::FromPointer(&record)).AsUInt();
}

uint32_t PluginInstance::SetSampleRate(uint32_t rate) const {
  return Call(FF_SET_SAMPLE_RATE, FFGLValue::FromUInt(rate)).AsUInt();
}

uint32_t PluginInstance::GetParameterVisibility(uint32_t id) const {
  return library_.GetParameterVisibility(id, handle_);
}

uint32_t PluginInstance::GetNumPendingParameterEvents() const {
  ParameterEventsRecord record{};
  if (Call(FF_GET_PARAMETER_EVENTS, FFGLValue::FromPointer(&record)).AsUInt() != FF_SUCCESS)
    return FF_FAIL;
  return record.numEvents;
}

ParameterEvents PluginInstance::TakeParameterEvents(uint32_t capacity) const {
  ParameterEvents out;
  // One spare entry, never handed over, so that capacity 0 still passes a
  // real array.
  out.events.assign(std::size_t{capacity} + 1, ParameterEventRecord{0xDEADBEEFu, 0});
  ParameterEventsRecord record{};
  record.numEvents = capacity;
  record.events = out.events.data();
  out.result = Call(FF_GET_PARAMETER_EVENTS, FFGLValue::FromPointer(&record)).AsUInt();
  out.count = record.numEvents;
  out.events.resize(std::min<std::size_t>(out.count, capacity));
  return out;
}

uint32_t PluginInstance::EnablePluginCap(uint32_t capability) const {
  return Call(FF_ENABLE_PLUGIN_CAP, FFGLValue::FromUInt(capability)).AsUInt();
}

TextOut PluginInstance::GetParameterDisplayName(uint32_t id, uint32_t bufferSize, char fill) const {
  return CallTextOut(library_, FF_GET_PARAMETER_DISPLAY_NAME, id, bufferSize, fill, handle_);
}

}  // namespace testhost
