// The flat dispatcher over function codes 0 to 51, and the log export.
#include "host/PlugMain.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "host/CFFGLPlugin.h"
#include "host/CFFGLPluginDescriptor.h"
#include "host/ThumbnailImage.h"

HostLogFunction g_hostLogCallback = nullptr;

void LogToHost(const char* text) {
  if (g_hostLogCallback && text) g_hostLogCallback(text);
}

namespace {

const FFGLValue kFail = FFGLValue::FromUInt(FF_FAIL);
const FFGLValue kSuccess = FFGLValue::FromUInt(FF_SUCCESS);
const FFGLValue kNull = FFGLValue::FromPointer(nullptr);

// The prototype, created on demand; null when it cannot be had.
CFFGLPlugin* ObtainPrototype() {
  if (g_prototypePlugin) return g_prototypePlugin;
  if (Initialise() == FF_FAIL) return nullptr;
  return g_prototypePlugin;
}

// The instance's own store when there is an instance, else the prototype's.
const CFFGLPluginManager* InstanceElsePrototype(CFFGLPlugin* instance) {
  return instance ? instance : ObtainPrototype();
}

template <typename Record>
Record* RecordOf(FFGLValue input) {
  return static_cast<Record*>(input.AsPointer());
}

// Copies at most `bufferSize` bytes of the text, without a terminator.
FFGLValue CopyTextOut(const std::string& text, StringOutRecord* record) {
  std::memcpy(record->stringBuffer, text.data(),
              std::min<std::size_t>(text.size(), record->bufferSize));
  return kSuccess;
}

bool IsUsableStringOut(const StringOutRecord* record) {
  return record && record->bufferSize != 0 && record->stringBuffer;
}

// ---------------------------------------------------------------------------
// One handler per handled code. Instance codes are only reached with an
// instance (the table says which need one).

FFGLValue GetInfo(FFGLValue, CFFGLPlugin*) {
  return g_pluginDescriptor ? FFGLValue::FromPointer(g_pluginDescriptor->GetInfo()) : kNull;
}

FFGLValue DoDeInitialise(FFGLValue, CFFGLPlugin*) { return FFGLValue::FromUInt(DeInitialise()); }

FFGLValue GetNumParameters(FFGLValue, CFFGLPlugin*) {
  const CFFGLPlugin* prototype = ObtainPrototype();
  return prototype ? FFGLValue::FromUInt(prototype->GetNumParams()) : kFail;
}

FFGLValue GetParameterName(FFGLValue input, CFFGLPlugin*) {
  const CFFGLPlugin* prototype = ObtainPrototype();
  return prototype ? FFGLValue::FromPointer(prototype->GetParamName(input.AsUInt())) : kNull;
}

FFGLValue GetParameterDefault(FFGLValue input, CFFGLPlugin*) {
  const CFFGLPlugin* prototype = ObtainPrototype();
  return prototype ? prototype->GetParamDefault(input.AsUInt()) : kFail;
}

FFGLValue GetParameterDisplay(FFGLValue input, CFFGLPlugin* instance) {
  return FFGLValue::FromPointer(instance->GetParameterDisplay(input.AsUInt()));
}

FFGLValue SetParameter(FFGLValue input, CFFGLPlugin* instance) {
  const auto* record = RecordOf<const SetParameterRecord>(input);
  if (!record) return kFail;
  const uint32_t id = record->ParameterNumber;
  const FFGLValue value{record->NewParameterValue};
  if (IsTextParameterType(GetParameterTypeOfPrototype(id)))
    return FFGLValue::FromUInt(
        instance->SetTextParameter(id, static_cast<const char*>(value.AsPointer())));
  return FFGLValue::FromUInt(instance->SetFloatParameter(id, value.AsFloat()));
}

FFGLValue GetParameter(FFGLValue input, CFFGLPlugin* instance) {
  const uint32_t id = input.AsUInt();
  if (IsTextParameterType(GetParameterTypeOfPrototype(id)))
    return FFGLValue::FromPointer(instance->GetTextParameter(id));
  return FFGLValue::FromFloat(instance->GetFloatParameter(id));
}

FFGLValue DoGetPluginCaps(FFGLValue input, CFFGLPlugin*) {
  return FFGLValue::FromUInt(GetPluginCaps(input.AsUInt()));
}

FFGLValue GetExtendedInfo(FFGLValue, CFFGLPlugin*) {
  return g_pluginDescriptor ? FFGLValue::FromPointer(g_pluginDescriptor->GetExtendedInfo())
                            : kNull;
}

FFGLValue GetParameterType(FFGLValue input, CFFGLPlugin*) {
  return FFGLValue::FromUInt(GetParameterTypeOfPrototype(input.AsUInt()));
}

FFGLValue GetInputStatus(FFGLValue input, CFFGLPlugin* instance) {
  return FFGLValue::FromUInt(instance->GetInputStatus(input.AsUInt()));
}

// The per-frame path: one flag test, at most two virtual calls, no allocation.
FFGLValue ProcessOpenGL(FFGLValue input, CFFGLPlugin* instance) {
  const auto* record = RecordOf<const ProcessOpenGLRecord>(input);
  if (!record) return kFail;
  if (!instance->IsConnected()) {
    instance->Connect();  // its answer does not matter: it runs once either way
    instance->SetConnected(true);
  }
  return FFGLValue::FromUInt(instance->ProcessOpenGL(record));
}

FFGLValue DoInstantiateGL(FFGLValue input, CFFGLPlugin*) {
  return InstantiateGL(RecordOf<const ViewportRecord>(input));
}

FFGLValue DoDeInstantiateGL(FFGLValue, CFFGLPlugin* instance) {
  return FFGLValue::FromUInt(DeInstantiateGL(instance));
}

FFGLValue SetTime(FFGLValue input, CFFGLPlugin* instance) {
  const auto* time = RecordOf<const double>(input);
  return time ? FFGLValue::FromUInt(instance->SetTime(*time)) : kFail;
}

FFGLValue Connect(FFGLValue, CFFGLPlugin* instance) {
  const uint32_t result = instance->Connect();
  if (result == FF_SUCCESS) instance->SetConnected(true);
  return FFGLValue::FromUInt(result);
}

FFGLValue Disconnect(FFGLValue, CFFGLPlugin* instance) {
  const uint32_t result = instance->Disconnect();
  if (result == FF_SUCCESS) instance->SetConnected(false);
  return FFGLValue::FromUInt(result);
}

FFGLValue Resize(FFGLValue input, CFFGLPlugin* instance) {
  const auto* viewport = RecordOf<const ViewportRecord>(input);
  return viewport ? FFGLValue::FromUInt(instance->Resize(viewport)) : kFail;
}

FFGLValue GetNumParameterElements(FFGLValue input, CFFGLPlugin* instance) {
  const CFFGLPluginManager* store = InstanceElsePrototype(instance);
  return store ? FFGLValue::FromUInt(store->GetNumParamElements(input.AsUInt())) : kFail;
}

FFGLValue GetParameterUsage(FFGLValue input, CFFGLPlugin*) {
  const CFFGLPlugin* prototype = ObtainPrototype();
  return prototype ? FFGLValue::FromUInt(prototype->GetParamUsage(input.AsUInt())) : kFail;
}

FFGLValue GetPluginShortName(FFGLValue, CFFGLPlugin*) {
  CFFGLPlugin* prototype = ObtainPrototype();
  return prototype ? FFGLValue::FromPointer(prototype->GetShortName()) : kNull;
}

FFGLValue DoInitialise(FFGLValue, CFFGLPlugin*) { return FFGLValue::FromUInt(Initialise()); }

FFGLValue GetParameterElementName(FFGLValue input, CFFGLPlugin* instance) {
  const auto* record = RecordOf<const ElementAddressRecord>(input);
  if (!record) return kNull;
  const CFFGLPluginManager* store = InstanceElsePrototype(instance);
  if (!store) return kNull;
  return FFGLValue::FromPointer(
      store->GetParamElementName(record->ParameterNumber, record->ElementNumber));
}

FFGLValue GetParameterElementValue(FFGLValue input, CFFGLPlugin* instance) {
  const auto* record = RecordOf<const ElementAddressRecord>(input);
  if (!record) return kFail;
  const CFFGLPluginManager* store = InstanceElsePrototype(instance);
  if (!store) return kFail;
  return store->GetParamElementValue(record->ParameterNumber, record->ElementNumber);
}

FFGLValue SetParameterElementValue(FFGLValue input, CFFGLPlugin* instance) {
  const auto* record = RecordOf<const ElementValueRecord>(input);
  if (!record) return kFail;
  return FFGLValue::FromUInt(instance->SetParamElementValue(
      record->ParameterNumber, record->ElementNumber, record->NewParameterValue));
}

FFGLValue SetBeatInfo(FFGLValue input, CFFGLPlugin* instance) {
  const auto* record = RecordOf<const BeatInfoRecord>(input);
  if (!record) return kFail;
  instance->SetBeatInfo(record->bpm, record->barPhase);
  return kSuccess;
}

FFGLValue SetHostInfo(FFGLValue input, CFFGLPlugin* instance) {
  const auto* record = RecordOf<const HostInfoRecord>(input);
  if (!record) return kFail;
  instance->SetHostInfo(record->name, record->version);
  return kSuccess;
}

FFGLValue SetSampleRate(FFGLValue input, CFFGLPlugin* instance) {
  instance->SetSampleRate(input.AsUInt());
  return kSuccess;
}

FFGLValue GetParameterRange(FFGLValue input, CFFGLPlugin*) {
  auto* record = RecordOf<ParameterRangeRecord>(input);
  if (!record) return kFail;
  const CFFGLPlugin* prototype = ObtainPrototype();
  if (!prototype) return kFail;
  const std::pair<float, float> range = prototype->GetParamRange(record->parameterNumber);
  record->min = range.first;
  record->max = range.second;
  return kSuccess;
}

FFGLValue GetThumbnail(FFGLValue input, CFFGLPlugin*) {
  auto* record = RecordOf<ThumbnailRecord>(input);
  if (!record) return kFail;
  if (!g_thumbnail) {
    record->width = 0;
    record->height = 0;
    return kFail;
  }
  record->width = g_thumbnail->GetWidth();
  record->height = g_thumbnail->GetHeight();
  // Only the pixels the thumbnail holds: an owned vector sized in 32 bits is
  // shorter than width x height once that product reaches 2^32.
  const auto held = static_cast<std::size_t>(g_thumbnail->GetPixelCount());
  if (record->rgbaPixelBuffer && held != 0)
    std::memcpy(record->rgbaPixelBuffer, g_thumbnail->GetPixels(), held * sizeof(ThumbnailPixel));
  return kSuccess;
}

FFGLValue GetNumFileParameterExtensions(FFGLValue input, CFFGLPlugin*) {
  const CFFGLPlugin* prototype = ObtainPrototype();
  return prototype ? FFGLValue::FromUInt(prototype->GetNumFileExtensions(input.AsUInt())) : kFail;
}

FFGLValue GetFileParameterExtension(FFGLValue input, CFFGLPlugin*) {
  const auto* record = RecordOf<const ElementAddressRecord>(input);
  if (!record) return kNull;
  const CFFGLPlugin* prototype = ObtainPrototype();
  if (!prototype) return kNull;
  return FFGLValue::FromPointer(
      prototype->GetFileExtension(record->ParameterNumber, record->ElementNumber));
}

FFGLValue GetParameterVisibility(FFGLValue input, CFFGLPlugin* instance) {
  const CFFGLPluginManager* store = InstanceElsePrototype(instance);
  return store ? FFGLValue::FromUInt(store->GetParamVisibility(input.AsUInt())) : kFail;
}

FFGLValue GetParameterEvents(FFGLValue input, CFFGLPlugin* instance) {
  auto* record = RecordOf<ParameterEventsRecord>(input);
  if (!record) return kFail;
  if (!record->events)
    record->numEvents = instance->GetNumPendingParamEvents();
  else
    record->numEvents = instance->TakeParamEvents(record->events, record->numEvents);
  return kSuccess;
}

FFGLValue GetNumElementSeparators(FFGLValue input, CFFGLPlugin*) {
  const CFFGLPlugin* prototype = ObtainPrototype();
  return FFGLValue::FromUInt(prototype ? prototype->GetNumElementSeparators(input.AsUInt()) : 0u);
}

FFGLValue GetSeparatorElementIndex(FFGLValue input, CFFGLPlugin*) {
  const auto* record = RecordOf<const ElementAddressRecord>(input);
  if (!record) return kFail;
  const CFFGLPlugin* prototype = ObtainPrototype();
  if (!prototype) return kFail;
  return FFGLValue::FromUInt(
      prototype->GetSeparatorElementIndex(record->ParameterNumber, record->ElementNumber));
}

FFGLValue EnablePluginCap(FFGLValue input, CFFGLPlugin* instance) {
  if (input.AsUInt() != FF_CAP_TOP_LEFT_TEXTURE_ORIENTATION) return kFail;
  const CFFGLPlugin* prototype = ObtainPrototype();
  if (!prototype || !prototype->IsTopLeftOrientationSupported()) return kFail;
  instance->EnableTopLeftOrientation();
  return kSuccess;
}

FFGLValue GetParameterGroup(FFGLValue input, CFFGLPlugin*) {
  auto* record = RecordOf<StringOutRecord>(input);
  if (!IsUsableStringOut(record)) return kFail;
  const CFFGLPlugin* prototype = ObtainPrototype();
  if (!prototype) return kFail;
  return CopyTextOut(prototype->GetParamGroup(record->parameterNumber), record);
}

FFGLValue GetParameterDisplayName(FFGLValue input, CFFGLPlugin* instance) {
  auto* record = RecordOf<StringOutRecord>(input);
  if (!IsUsableStringOut(record)) return kFail;
  return CopyTextOut(instance->GetParamDisplayName(record->parameterNumber), record);
}

// ---------------------------------------------------------------------------
// The table. Each row names the code it answers; a code without a row
// answers FF_FAIL at once.

using Handler = FFGLValue (*)(FFGLValue input, CFFGLPlugin* instance);

struct Entry {
  uint32_t code;
  Handler handler;
  bool needsInstance;    // null instance: FF_FAIL, nothing is called
  bool answersPointer;   // an exception inside answers null rather than FF_FAIL
};

constexpr Entry kHandledCodes[] = {
    {FF_GET_INFO, GetInfo, false, true},
    {FF_DEINITIALISE, DoDeInitialise, false, false},
    {FF_GET_NUM_PARAMETERS, GetNumParameters, false, false},
    {FF_GET_PARAMETER_NAME, GetParameterName, false, true},
    {FF_GET_PARAMETER_DEFAULT, GetParameterDefault, false, false},
    {FF_GET_PARAMETER_DISPLAY, GetParameterDisplay, true, true},
    {FF_SET_PARAMETER, SetParameter, true, false},
    {FF_GET_PARAMETER, GetParameter, true, false},
    {FF_GET_PLUGIN_CAPS, DoGetPluginCaps, false, false},
    {FF_GET_EXTENDED_INFO, GetExtendedInfo, false, true},
    {FF_GET_PARAMETER_TYPE, GetParameterType, false, false},
    {FF_GET_INPUT_STATUS, GetInputStatus, true, false},
    {FF_PROCESS_OPENGL, ProcessOpenGL, true, false},
    {FF_INSTANTIATE_GL, DoInstantiateGL, false, false},
    {FF_DEINSTANTIATE_GL, DoDeInstantiateGL, true, false},
    {FF_SET_TIME, SetTime, true, false},
    {FF_CONNECT, Connect, true, false},
    {FF_DISCONNECT, Disconnect, true, false},
    {FF_RESIZE, Resize, true, false},
    {FF_GET_NUM_PARAMETER_ELEMENTS, GetNumParameterElements, false, false},
    {FF_GET_PARAMETER_USAGE, GetParameterUsage, false, false},
    {FF_GET_PLUGIN_SHORT_NAME, GetPluginShortName, false, true},
    {FF_INITIALISE, DoInitialise, false, false},
    {FF_GET_PARAMETER_ELEMENT_NAME, GetParameterElementName, false, true},
    {FF_GET_PARAMETER_ELEMENT_VALUE, GetParameterElementValue, false, false},
    {FF_SET_PARAMETER_ELEMENT_VALUE, SetParameterElementValue, true, false},
    {FF_SET_BEAT_INFO, SetBeatInfo, true, false},
    {FF_SET_HOST_INFO, SetHostInfo, true, false},
    {FF_SET_SAMPLE_RATE, SetSampleRate, true, false},
    {FF_GET_PARAMETER_RANGE, GetParameterRange, false, false},
    {FF_GET_THUMBNAIL, GetThumbnail, false, false},
    {FF_GET_NUM_FILE_PARAMETER_EXTENSIONS, GetNumFileParameterExtensions, false, false},
    {FF_GET_FILE_PARAMETER_EXTENSION, GetFileParameterExtension, false, true},
    {FF_GET_PARAMETER_VISIBILITY, GetParameterVisibility, false, false},
    {FF_GET_PARAMETER_EVENTS, GetParameterEvents, true, false},
    {FF_GET_NUM_ELEMENT_SEPARATORS, GetNumElementSeparators, false, false},
    {FF_GET_SEPARATOR_ELEMENT_INDEX, GetSeparatorElementIndex, false, false},
    {FF_ENABLE_PLUGIN_CAP, EnablePluginCap, true, false},
    {FF_GET_PARAMETER_GROUP, GetParameterGroup, false, false},
    {FF_GET_PARAMETER_DISPLAY_NAME, GetParameterDisplayName, true, false},
};

// Rows in rising code order, each code once and in range.
constexpr bool RowsAreInCodeOrder() {
  uint32_t next = 0;
  for (const Entry& entry : kHandledCodes) {
    if (entry.code < next || entry.code >= FF_FUNCTION_CODE_COUNT) return false;
    next = entry.code + 1;
  }
  return true;
}
static_assert(RowsAreInCodeOrder(), "every handled code has one row, in rising order");

// Indexed by code, so plugMain finds its row in one step.
constexpr std::array<Entry, FF_FUNCTION_CODE_COUNT> IndexByCode() {
  std::array<Entry, FF_FUNCTION_CODE_COUNT> table{};
  for (const Entry& entry : kHandledCodes) table[entry.code] = entry;
  return table;
}

constexpr std::array<Entry, FF_FUNCTION_CODE_COUNT> kTable = IndexByCode();

}  // namespace

uint32_t GetParameterTypeOfPrototype(uint32_t id) {
  const CFFGLPlugin* prototype = ObtainPrototype();
  return prototype ? prototype->GetParamType(id) : FF_FAIL;
}

uint32_t GetPluginCaps(uint32_t capability) {
  const CFFGLPlugin* prototype = ObtainPrototype();
  if (!prototype) return FF_FAIL;
  switch (capability) {
    case FF_CAP_SET_TIME:
      return prototype->IsTimeSupported() ? 1u : 0u;
    case FF_CAP_MINIMUM_INPUT_FRAMES:
      return static_cast<uint32_t>(std::max(prototype->GetMinInputs(), 0));
    case FF_CAP_MAXIMUM_INPUT_FRAMES:
      return static_cast<uint32_t>(std::max(prototype->GetMaxInputs(), 0));
    case FF_CAP_TOP_LEFT_TEXTURE_ORIENTATION:
      return prototype->IsTopLeftOrientationSupported() ? 1u : 0u;
    default:
      return 0;
  }
}

FFGL_EXPORT FFGLValue plugMain(uint32_t functionCode, FFGLValue input,
                               FFGLInstanceHandle instanceHandle) {
  if (functionCode >= FF_FUNCTION_CODE_COUNT) return kFail;
  const Entry& entry = kTable[functionCode];
  if (!entry.handler) return kFail;
  auto* instance = static_cast<CFFGLPlugin*>(instanceHandle);
  if (entry.needsInstance && !instance) return kFail;
  try {
    return entry.handler(input, instance);
  } catch (...) {
    // Nothing may unwind into the host.
    return entry.answersPointer ? kNull : kFail;
  }
}

FFGL_EXPORT void SetLogCallback(HostLogFunction callback) { g_hostLogCallback = callback; }
