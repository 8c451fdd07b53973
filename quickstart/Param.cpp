#include "quickstart/Param.h"

#include <utility>

namespace ffglqs {

Param::Param() = default;

Param::Param(std::string name) : name(std::move(name)) {}

Param::Param(std::string name, float value) : value(value), name(std::move(name)) {}

Param::Param(std::string name, uint32_t type, float value)
    : value(value), name(std::move(name)), type(type) {}

std::shared_ptr<Param> Param::Create() { return std::make_shared<Param>(); }

std::shared_ptr<Param> Param::Create(std::string name) {
  return std::make_shared<Param>(std::move(name));
}

std::shared_ptr<Param> Param::Create(std::string name, float value) {
  return std::make_shared<Param>(std::move(name), value);
}

std::shared_ptr<Param> Param::Create(std::string name, uint32_t type, float value) {
  return std::make_shared<Param>(std::move(name), type, value);
}

void Param::SetValue(float newValue) { value = newValue; }

float Param::GetValue() const { return value; }

ParamBool::ParamBool(std::string name, bool value)
    : Param(std::move(name), FF_TYPE_BOOLEAN, value ? 1.0f : 0.0f) {}

std::shared_ptr<ParamBool> ParamBool::Create(std::string name) {
  return std::make_shared<ParamBool>(std::move(name));
}

std::shared_ptr<ParamBool> ParamBool::Create(std::string name, bool value) {
  return std::make_shared<ParamBool>(std::move(name), value);
}

ParamEvent::ParamEvent(std::string name) : Param(std::move(name), FF_TYPE_EVENT, 0.0f) {}

std::shared_ptr<ParamEvent> ParamEvent::Create(std::string name) {
  return std::make_shared<ParamEvent>(std::move(name));
}

ParamTrigger::ParamTrigger(std::string name) : ParamEvent(std::move(name)) {}

std::shared_ptr<ParamTrigger> ParamTrigger::Create(std::string name) {
  return std::make_shared<ParamTrigger>(std::move(name));
}

ParamText::ParamText(std::string name, std::string text)
    : Param(std::move(name), FF_TYPE_TEXT, 0.0f), text(std::move(text)) {}

std::shared_ptr<ParamText> ParamText::Create(std::string name) {
  return std::make_shared<ParamText>(std::move(name));
}

std::shared_ptr<ParamText> ParamText::Create(std::string name, std::string text) {
  return std::make_shared<ParamText>(std::move(name), std::move(text));
}

}  // namespace ffglqs
