// ffglqs::Plugin: declaring parameters, choosing snippets, composing the
// fragment source and checking the parameter uniforms' names. Every
// declaration keeps the parameter's store id equal to its position in the
// list.
#include <set>
#include <utility>

#include "glhelpers/Utilities.h"
#include "quickstart/ParamGroups.h"
#include "quickstart/Plugin.h"
#include "quickstart/Snippets.h"
#include "quickstart/UniformNames.h"

namespace ffglqs {

void Plugin::AddParam(std::shared_ptr<Param> param) {
  const auto id = static_cast<uint32_t>(params.size());
  if (auto* textParam = dynamic_cast<ParamText*>(param.get())) {
    // Declared with its text as the default: the instantiation hands every
    // new instance the store default, and an empty one would wipe the text.
    SetParamInfo(id, textParam->GetName().c_str(), textParam->GetType(),
                 textParam->text.c_str());
  } else {
    // The store's own rules apply: a standard default is limited to [0, 1].
    SetParamInfo(id, param->GetName().c_str(), param->GetType(), param->GetValue());
  }
  params.push_back(std::move(param));
}

void Plugin::AddParam(std::shared_ptr<ParamFFT> param) {
  const auto id = static_cast<uint32_t>(params.size());
  audioLevels[param] = AudioLevels();
  param->index = id;
  SetBufferParamInfo(id, param->GetName().c_str(), static_cast<uint32_t>(param->bins.size()),
                     FF_USAGE_FFT);
  params.push_back(std::move(param));
}

void Plugin::AddParam(std::shared_ptr<ParamOption> param) {
  const auto id = static_cast<uint32_t>(params.size());
  const ParamOption::Options& options = param->GetOptions();
  SetOptionParamInfo(id, param->GetName().c_str(), static_cast<uint32_t>(options.size()),
                     param->GetValue());
  // The host sends back the chosen index, which ParamOption turns into the
  // option; so the element values are the indices.
  for (uint32_t k = 0; k < options.size(); ++k) {
    SetParamElementInfo(id, k, options[k].name.c_str(), static_cast<float>(k));
  }
  params.push_back(std::move(param));
}

void Plugin::AddParam(std::shared_ptr<ParamRange> param) {
  const auto id = static_cast<uint32_t>(params.size());
  const float value = param->GetValue();
  SetParamInfo(id, param->GetName().c_str(), param->GetType(), value);
  // A range parameter's default lives in its own units: undo the store's
  // limiting to [0, 1].
  if (value < 0.0f || value > 1.0f) FindParamInfo(id)->defaultValue = value;
  const ParamRange::ValueRange range = param->GetRange();
  SetParamRange(id, range.min, range.max);
  params.push_back(std::move(param));
}

void Plugin::AddRgbColorParams(std::string name) {
  AddParam(Param::Create(name, FF_TYPE_RED, 0.5f));
  AddParam(Param::Create(name + "_green", FF_TYPE_GREEN, 0.5f));
  AddParam(Param::Create(name + "_blue", FF_TYPE_BLUE, 0.5f));
}

void Plugin::AddHsbaColorParams(std::string name) {
  AddParam(Param::Create(name, FF_TYPE_HUE, 0.0f));
  AddParam(Param::Create(name + "_saturation", FF_TYPE_SATURATION, 0.0f));
  AddParam(Param::Create(name + "_brightness", FF_TYPE_BRIGHTNESS, 1.0f));
  AddParam(Param::Create(name + "_alpha", FF_TYPE_ALPHA, 1.0f));
}

std::shared_ptr<Param> Plugin::FindParam(std::string name) {
  for (const auto& param : params) {
    if (param->GetName() == name) return param;
  }
  return nullptr;
}

template <typename T>
std::shared_ptr<T> Plugin::FindParamAs(std::string name) {
  return std::dynamic_pointer_cast<T>(FindParam(std::move(name)));
}

std::shared_ptr<ParamOption> Plugin::FindParamOption(std::string name) {
  return FindParamAs<ParamOption>(std::move(name));
}

std::shared_ptr<ParamText> Plugin::FindParamText(std::string name) {
  return FindParamAs<ParamText>(std::move(name));
}

void Plugin::IncludeSnippet(int id) {
  if (!includedSnippets.insert(id).second) return;
  const auto dependencies = SnippetDependencies.find(id);
  if (dependencies == SnippetDependencies.end()) return;
  // One level only: the dependencies' own dependencies are not followed.
  includedSnippets.insert(dependencies->second.begin(), dependencies->second.end());
}

void Plugin::IncludeSnippets(std::set<int> ids) {
  for (int id : ids) IncludeSnippet(id);
}

void Plugin::SetFragmentBody(std::string body) { fragmentBody = std::move(body); }

std::string Plugin::ComposeFragmentSource(std::string body) {
  std::string source = fragmentHeader;
  for (std::size_t i = 0; i < params.size();) {
    const UniformGroup group = UniformGroupAt(params, i);
    const char* glslType = nullptr;
    switch (group.kind) {
      case UniformKind::RgbColor:
        glslType = "vec3";
        break;
      case UniformKind::HsbaColor:
        glslType = "vec4";
        break;
      case UniformKind::Bool:
        glslType = "bool";
        break;
      case UniformKind::None:
        break;
      case UniformKind::Float:
        glslType = "float";
        break;
    }
    if (glslType != nullptr) {
      source += "uniform ";
      source += glslType;
      source += " " + params[i]->GetName() + ";\n";
    }
    i += group.span;
  }
  source += IncludedSnippetCode();
  source += body;
  return source;
}

std::string Plugin::IncludedSnippetCode() const {
  std::string code;
  for (int id : includedSnippets) {
    const auto snippet = SnippetCode.find(id);
    if (snippet != SnippetCode.end()) code += snippet->second;
  }
  return code;
}

bool Plugin::UniformNamesUsable() const {
  const std::string snippets = IncludedSnippetCode();
  const std::set<std::string> declared =
      NamesTheShaderDeclares({fragmentHeader, vertexShaderSource, snippets, fragmentBody});
  std::set<std::string> earlierParams;
  for (std::size_t i = 0; i < params.size();) {
    const UniformGroup group = UniformGroupAt(params, i);
    const std::string& name = params[i]->GetName();
    if (group.kind != UniformKind::None) {
      const std::string why = WhyNotAUniformName(name, declared, earlierParams);
      if (!why.empty()) {
        ffglex::DebugLog("Parameter \"" + name + "\" cannot name a shader uniform: " + why);
        return false;
      }
      earlierParams.insert(name);
    }
    i += group.span;
  }
  return true;
}

}  // namespace ffglqs
