// An option parameter (type 11): a list of named choices of which one is
// current. The host sends the position of the chosen entry as a float; each
// entry also carries a value of the plugin's own, read back through
// GetCurrentOptionValue and never shown to the host.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "quickstart/Param.h"

namespace ffglqs {

class ParamOption : public Param {
 public:
  struct OptionEntry {
    std::string name;
    float value;
  };
  using Options = std::vector<OptionEntry>;

  ParamOption(std::string name, Options options, int32_t defaultIndex = 0);

  static std::shared_ptr<ParamOption> Create(std::string name, Options options);
  static std::shared_ptr<ParamOption> Create(std::string name, Options options,
                                             int32_t defaultIndex);

  // Selects the entry at v truncated toward zero and keeps v as received
  // (1.7 selects entry 1 and the value stays 1.7). A position outside the
  // list, a NaN included, sets the value to 0.0 and keeps the current entry.
  void SetValue(float v) override;

  float GetCurrentOptionValue() const { return currentOptionValue; }
  // Exact byte comparison with the current entry's name; case counts.
  bool IsCurrentOptionName(const std::string& text) const { return text == currentOptionName; }

  // The entries in host order, for the plugin that declares them.
  const Options& GetOptions() const { return options; }

 private:
  Options options;
  std::string currentOptionName;
  float currentOptionValue = 0.0f;
};

}  // namespace ffglqs
