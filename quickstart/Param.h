// Quick-start parameter objects: a name, an FFGL parameter type code and a
// float value. A plugin keeps them in a vector whose position is the host
// parameter id and turns each one into a shader uniform named after it.
//
// Every object is made by a static Create factory and owned through
// std::shared_ptr, whose shared count destroys it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/FFGLBoundary.h"

namespace ffglqs {

// A plain float parameter (type 10 unless a type is given). SetValue stores
// whatever it receives: no clamping, rounding or test, a NaN included.
class Param {
 public:
  Param();
  explicit Param(std::string name);
  Param(std::string name, float value);
  Param(std::string name, uint32_t type, float value);

  static std::shared_ptr<Param> Create();
  static std::shared_ptr<Param> Create(std::string name);
  static std::shared_ptr<Param> Create(std::string name, float value);
  static std::shared_ptr<Param> Create(std::string name, uint32_t type, float value);

  const std::string& GetName() const { return name; }
  uint32_t GetType() const { return type; }

  virtual void SetValue(float newValue);
  virtual float GetValue() const;
  // Declared after the value operations so that they keep the first slots.
  // Virtual so that an object owned through a base pointer (a shared_ptr
  // made without make_shared, a unique_ptr) is still destroyed as its class.
  virtual ~Param() = default;

 protected:
  float value = 0.0f;
  std::string name;
  uint32_t type = FF_TYPE_STANDARD;
};

// An on/off parameter (type 0). Only the constructor maps the bool to 1.0 or
// 0.0; a float from the host is kept as it comes.
class ParamBool : public Param {
 public:
  explicit ParamBool(std::string name, bool value = false);

  static std::shared_ptr<ParamBool> Create(std::string name);
  static std::shared_ptr<ParamBool> Create(std::string name, bool value);
};

// A momentary host button (type 1) whose value stays until the host changes it.
class ParamEvent : public Param {
 public:
  explicit ParamEvent(std::string name);

  static std::shared_ptr<ParamEvent> Create(std::string name);
};

// An event that the plugin resets after every drawn frame, so a press from
// the host reaches the uniforms of exactly one frame.
class ParamTrigger : public ParamEvent {
 public:
  explicit ParamTrigger(std::string name);

  static std::shared_ptr<ParamTrigger> Create(std::string name);

  // Writes the value directly, bypassing the virtual SetValue.
  void Reset() { value = 0.0f; }
};

// A text parameter (type 100). The plugin reads and replaces `text`
// directly; the float value stays 0.0 unless the host sends one.
class ParamText : public Param {
 public:
  explicit ParamText(std::string name, std::string text = std::string());

  static std::shared_ptr<ParamText> Create(std::string name);
  static std::shared_ptr<ParamText> Create(std::string name, std::string text);

  std::string text;
};

}  // namespace ffglqs
