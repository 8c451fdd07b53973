#include "host/CFFGLPluginManager.h"

#include <algorithm>

namespace {

ParamInfo NewParam(uint32_t id, const char* name, uint32_t type, uint32_t elementCount) {
  ParamInfo info;
  info.id = id;
  info.elements.resize(elementCount);
  info.name = name;
  info.type = type;
  return info;
}

}  // namespace

CFFGLPluginManager::CFFGLPluginManager(bool supportTopLeftTextureOrientation)
    : topLeftSupported_(supportTopLeftTextureOrientation) {}

CFFGLPluginManager::~CFFGLPluginManager() = default;

void CFFGLPluginManager::AddParam(ParamInfo&& info) { params_.push_back(std::move(info)); }

void CFFGLPluginManager::SetParamInfo(uint32_t id, const char* name, uint32_t type,
                                      float defaultValue) {
  ParamInfo info = NewParam(id, name, type, 1);
  // Standard parameters live in [0, 1]; NaN passes through unchanged.
  if (type == FF_TYPE_STANDARD) {
    if (defaultValue > 1.0f) defaultValue = 1.0f;
    if (defaultValue < 0.0f) defaultValue = 0.0f;
  }
  info.defaultValue = defaultValue;
  AddParam(std::move(info));
}

void CFFGLPluginManager::SetParamInfo(uint32_t id, const char* name, uint32_t type,
                                      const char* defaultText) {
  ParamInfo info = NewParam(id, name, type, 1);
  info.defaultText = defaultText;
  AddParam(std::move(info));
}

void CFFGLPluginManager::SetParamInfo(uint32_t id, const char* name, uint32_t type,
                                      bool defaultValue) {
  ParamInfo info = NewParam(id, name, type, 0);
  info.defaultValue = defaultValue ? 1.0f : 0.0f;
  AddParam(std::move(info));
}

void CFFGLPluginManager::SetOptionParamInfo(uint32_t id, const char* name,
                                            uint32_t elementCount, float defaultValue) {
  ParamInfo info = NewParam(id, name, FF_TYPE_OPTION, elementCount);
  info.defaultValue = defaultValue;
  AddParam(std::move(info));
}

void CFFGLPluginManager::SetBufferParamInfo(uint32_t id, const char* name,
                                            uint32_t elementCount, uint32_t usage) {
  ParamInfo info = NewParam(id, name, FF_TYPE_BUFFER, elementCount);
  info.usage = usage;
  AddParam(std::move(info));
}

void CFFGLPluginManager::SetFileParamInfo(uint32_t id, const char* name,
                                          std::vector<std::string> extensions,
                                          const char* defaultPath) {
  ParamInfo info = NewParam(id, name, FF_TYPE_FILE, 0);
  info.defaultText = defaultPath;
  info.fileExtensions = std::move(extensions);
  AddParam(std::move(info));
}

void CFFGLPluginManager::SetParamElementInfo(uint32_t id, uint32_t index, const char* name,
                                             float value) {
  ParamInfo* info = FindParamInfo(id);
  if (!info || index >= info->elements.size()) return;
  info->elements[index].name = name;
  info->elements[index].value = value;
}

uint32_t CFFGLPluginManager::SetParamElementValue(uint32_t id, uint32_t index, float value) {
  ParamInfo* info = FindParamInfo(id);
  if (!info || index >= info->elements.size()) return FF_FAIL;
  info->elements[index].value = value;
  return FF_SUCCESS;
}

void CFFGLPluginManager::SetParamElements(uint32_t id, std::vector<std::string> names,
                                          const std::vector<float>& values, bool raiseEvent) {
  ParamInfo* info = FindParamInfo(id);
  if (!info || info->type != FF_TYPE_OPTION || names.size() != values.size()) return;
  // Build the new list aside so that a failed allocation leaves the old one.
  std::vector<ParamElement> elements(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    elements[i].name = std::move(names[i]);
    elements[i].value = values[i];
  }
  info->elements = std::move(elements);
  if (raiseEvent) info->pendingEvents |= FF_EVENT_FLAG_ELEMENTS;
}

void CFFGLPluginManager::AddElementSeparator(uint32_t id, uint32_t elementIndex) {
  if (ParamInfo* info = FindParamInfo(id)) info->separators.push_back(elementIndex);
}

void CFFGLPluginManager::SetParamDisplayName(uint32_t id, std::string displayName,
                                             bool raiseEvent) {
  ParamInfo* info = FindParamInfo(id);
  if (!info) return;
  const bool changed = info->displayName != displayName;
  info->displayName = std::move(displayName);
  if (raiseEvent && changed) info->pendingEvents |= FF_EVENT_FLAG_DISPLAY_NAME;
}

void CFFGLPluginManager::SetParamGroup(uint32_t id, std::string group) {
  if (ParamInfo* info = FindParamInfo(id)) info->group = std::move(group);
}

void CFFGLPluginManager::SetParamRange(uint32_t id, float min, float max) {
  ParamInfo* info = FindParamInfo(id);
  if (!info) return;
  info->min = min;
  info->max = max;
}

void CFFGLPluginManager::SetParamVisibility(uint32_t id, bool visible, bool raiseEvent) {
  ParamInfo* info = FindParamInfo(id);
  if (!info) return;
  const bool changed = info->visible != visible;
  info->visible = visible;
  if (raiseEvent && changed) info->pendingEvents |= FF_EVENT_FLAG_VISIBILITY;
}

void CFFGLPluginManager::RaiseParamEvent(uint32_t id, uint64_t eventMask) {
  if (ParamInfo* info = FindParamInfo(id)) info->pendingEvents |= eventMask;
}

ParamInfo* CFFGLPluginManager::FindParamInfo(uint32_t id) {
  for (ParamInfo& info : params_)
    if (info.id == id) return &info;
  return nullptr;
}

const ParamInfo* CFFGLPluginManager::FindParamInfo(uint32_t id) const {
  return const_cast<CFFGLPluginManager*>(this)->FindParamInfo(id);
}

const char* CFFGLPluginManager::GetParamName(uint32_t id) const {
  const ParamInfo* info = FindParamInfo(id);
  return info ? info->name.c_str() : nullptr;
}

uint32_t CFFGLPluginManager::GetParamType(uint32_t id) const {
  const ParamInfo* info = FindParamInfo(id);
  return info ? info->type : FF_FAIL;
}

FFGLValue CFFGLPluginManager::GetParamDefault(uint32_t id) const {
  const ParamInfo* info = FindParamInfo(id);
  if (!info) return FFGLValue::FromUInt(FF_FAIL);
  if (IsTextParameterType(info->type)) return FFGLValue::FromPointer(info->defaultText.c_str());
  return FFGLValue::FromFloat(info->defaultValue);
}

std::pair<float, float> CFFGLPluginManager::GetParamRange(uint32_t id) const {
  const ParamInfo* info = FindParamInfo(id);
  return info ? std::make_pair(info->min, info->max) : std::make_pair(0.0f, 1.0f);
}

uint32_t CFFGLPluginManager::GetParamUsage(uint32_t id) const {
  const ParamInfo* info = FindParamInfo(id);
  return info ? info->usage : FF_FAIL;
}

uint32_t CFFGLPluginManager::GetParamVisibility(uint32_t id) const {
  const ParamInfo* info = FindParamInfo(id);
  if (!info) return FF_FAIL;
  return info->visible ? 1u : 0u;
}

std::string CFFGLPluginManager::GetParamDisplayName(uint32_t id) const {
  const ParamInfo* info = FindParamInfo(id);
  return info ? info->displayName : std::string();
}

std::string CFFGLPluginManager::GetParamGroup(uint32_t id) const {
  const ParamInfo* info = FindParamInfo(id);
  return info ? info->group : std::string();
}

uint32_t CFFGLPluginManager::GetNumParamElements(uint32_t id) const {
  const ParamInfo* info = FindParamInfo(id);
  return info ? static_cast<uint32_t>(info->elements.size()) : FF_FAIL;
}

const char* CFFGLPluginManager::GetParamElementName(uint32_t id, uint32_t index) const {
  const ParamInfo* info = FindParamInfo(id);
  if (!info || index >= info->elements.size()) return nullptr;
  return info->elements[index].name.c_str();
}

FFGLValue CFFGLPluginManager::GetParamElementValue(uint32_t id, uint32_t index) const {
  const ParamInfo* info = FindParamInfo(id);
  if (!info || index >= info->elements.size()) return FFGLValue::FromUInt(FF_FAIL);
  return FFGLValue::FromFloat(info->elements[index].value);
}

uint32_t CFFGLPluginManager::GetNumElementSeparators(uint32_t id) const {
  const ParamInfo* info = FindParamInfo(id);
  return info ? static_cast<uint32_t>(info->separators.size()) : 0u;
}

uint32_t CFFGLPluginManager::GetSeparatorElementIndex(uint32_t id, uint32_t index) const {
  const ParamInfo* info = FindParamInfo(id);
  if (!info || index >= info->separators.size()) return FF_FAIL;
  return info->separators[index];
}

uint32_t CFFGLPluginManager::GetNumFileExtensions(uint32_t id) const {
  const ParamInfo* info = FindParamInfo(id);
  return info ? static_cast<uint32_t>(info->fileExtensions.size()) : 0u;
}

const char* CFFGLPluginManager::GetFileExtension(uint32_t id, uint32_t index) const {
  const ParamInfo* info = FindParamInfo(id);
  if (!info || index >= info->fileExtensions.size()) return nullptr;
  return info->fileExtensions[index].c_str();
}

uint32_t CFFGLPluginManager::GetNumPendingParamEvents() const {
  return static_cast<uint32_t>(std::count_if(params_.begin(), params_.end(), [](const ParamInfo& p) {
    return p.pendingEvents != 0;
  }));
}

uint32_t CFFGLPluginManager::TakeParamEvents(ParameterEventRecord* out, uint32_t capacity) {
  uint32_t written = 0;
  for (ParamInfo& info : params_) {
    if (written >= capacity) break;
    if (info.pendingEvents == 0) continue;
    // Only the two fields: the host's padding bytes stay as they were.
    out[written].parameterID = info.id;
    out[written].eventFlags = info.pendingEvents;
    info.pendingEvents = 0;
    ++written;
  }
  return written;
}
