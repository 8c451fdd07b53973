// The parameter store and capability answers that every plugin object carries.
//
// A plugin class declares its parameters in its constructor through the
// builders below; from then on the store answers the host's parameter queries
// (the prototype's store for class-level codes, an instance's own store for
// display names, element values and events). Lookups are linear scans by id
// and the first record with a matching id wins; an absent id never reports an
// error, it gets a fixed answer per query and changes nothing.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/FFGLBoundary.h"

// One element of a parameter's element list: an option, a buffer slot, or the
// single value slot of a plain parameter.
struct ParamElement {
  std::string name;
  float value = 0.0f;
};

// One declared parameter.
struct ParamInfo {
  uint32_t id = 0;
  std::string name;
  std::string displayName;
  uint32_t type = 0;
  std::vector<ParamElement> elements;
  std::vector<uint32_t> separators;  // element indices, in the order added
  uint32_t usage = FF_USAGE_STANDARD;
  bool visible = true;
  float min = 0.0f;
  float max = 1.0f;
  float defaultValue = 0.0f;   // every non-text type
  std::string defaultText;     // types 100 and 14
  std::vector<std::string> fileExtensions;
  uint64_t pendingEvents = 0;  // event flags not yet handed to the host
  std::string group;
};

class CFFGLPluginManager {
 public:
  explicit CFFGLPluginManager(bool supportTopLeftTextureOrientation);
  virtual ~CFFGLPluginManager();

  // Capabilities.
  void SetMinInputs(int32_t count) { minInputs_ = count; }
  int32_t GetMinInputs() const { return minInputs_; }
  void SetMaxInputs(int32_t count) { maxInputs_ = count; }
  int32_t GetMaxInputs() const { return maxInputs_; }
  void SetTimeSupported(bool supported) { timeSupported_ = supported; }
  bool IsTimeSupported() const { return timeSupported_; }
  bool IsTopLeftOrientationSupported() const { return topLeftSupported_; }
  void EnableTopLeftOrientation() { topLeftEnabled_ = 1; }
  uint32_t GetTopLeftOrientationEnabled() const { return topLeftEnabled_; }

  // Declaration. Each builder appends one record; if it throws, the store is
  // as before. Names, texts and paths must not be null.
  void SetParamInfo(uint32_t id, const char* name, uint32_t type, float defaultValue);
  void SetParamInfo(uint32_t id, const char* name, uint32_t type, const char* defaultText);
  void SetParamInfo(uint32_t id, const char* name, uint32_t type, bool defaultValue);
  void SetOptionParamInfo(uint32_t id, const char* name, uint32_t elementCount,
                          float defaultValue);
  void SetBufferParamInfo(uint32_t id, const char* name, uint32_t elementCount, uint32_t usage);
  void SetFileParamInfo(uint32_t id, const char* name, std::vector<std::string> extensions,
                        const char* defaultPath);

  // Changes to a declared record; each does nothing for an absent id.
  void SetParamElementInfo(uint32_t id, uint32_t index, const char* name, float value);
  uint32_t SetParamElementValue(uint32_t id, uint32_t index, float value);
  void SetParamElements(uint32_t id, std::vector<std::string> names,
                        const std::vector<float>& values, bool raiseEvent);
  void AddElementSeparator(uint32_t id, uint32_t elementIndex);
  void SetParamDisplayName(uint32_t id, std::string displayName, bool raiseEvent);
  void SetParamGroup(uint32_t id, std::string group);
  void SetParamRange(uint32_t id, float min, float max);
  void SetParamVisibility(uint32_t id, bool visible, bool raiseEvent);
  void RaiseParamEvent(uint32_t id, uint64_t eventMask);

  // Queries.
  ParamInfo* FindParamInfo(uint32_t id);
  const ParamInfo* FindParamInfo(uint32_t id) const;
  uint32_t GetNumParams() const { return static_cast<uint32_t>(params_.size()); }
  const char* GetParamName(uint32_t id) const;
  uint32_t GetParamType(uint32_t id) const;
  FFGLValue GetParamDefault(uint32_t id) const;
  std::pair<float, float> GetParamRange(uint32_t id) const;
  uint32_t GetParamUsage(uint32_t id) const;
  uint32_t GetParamVisibility(uint32_t id) const;
  std::string GetParamDisplayName(uint32_t id) const;
  std::string GetParamGroup(uint32_t id) const;
  uint32_t GetNumParamElements(uint32_t id) const;
  const char* GetParamElementName(uint32_t id, uint32_t index) const;
  FFGLValue GetParamElementValue(uint32_t id, uint32_t index) const;
  uint32_t GetNumElementSeparators(uint32_t id) const;
  uint32_t GetSeparatorElementIndex(uint32_t id, uint32_t index) const;
  uint32_t GetNumFileExtensions(uint32_t id) const;
  const char* GetFileExtension(uint32_t id, uint32_t index) const;

  // Events: the count of records with pending flags, and the hand-over of up
  // to `capacity` of them in store order, clearing what was handed over.
  uint32_t GetNumPendingParamEvents() const;
  uint32_t TakeParamEvents(ParameterEventRecord* out, uint32_t capacity);

 private:
  void AddParam(ParamInfo&& info);

  std::vector<ParamInfo> params_;
  int32_t minInputs_ = 0;
  int32_t maxInputs_ = 0;
  bool timeSupported_ = true;
  bool topLeftSupported_;
  uint32_t topLeftEnabled_ = 0;
};
