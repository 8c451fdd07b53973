#include "preview/NdiSourceSelection.h"

#include <algorithm>
#include <vector>

namespace {

constexpr char kProjectorPrefix[] = "@projector:";
constexpr std::size_t kProjectorPrefixLength = sizeof kProjectorPrefix - 1;

// The last record in array order named exactly `name`, or null.
const NdiSourceRecord* LastNamed(const NdiSourceRecord* records, std::uint32_t count,
                                 const std::string& name) {
  const NdiSourceRecord* found = nullptr;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (records[i].name && name == records[i].name) found = &records[i];
  }
  return found;
}

}  // namespace

const NdiSourceRecord* SelectNdiSource(const NdiSourceRecord* records, std::uint32_t count,
                                       const std::string& request,
                                       const std::string& connectedName) {
  std::vector<std::string> candidates;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!records[i].name) continue;
    std::string name = records[i].name;
    if (name.find("KESTRIN") != std::string::npos) candidates.push_back(std::move(name));
  }
  // std::string compares as unsigned bytes, and a prefix sorts first.
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

  std::string key;
  if (request.compare(0, kProjectorPrefixLength, kProjectorPrefix) == 0) {
    key = "KESTRIN - " + request.substr(kProjectorPrefixLength) + " - ";
  } else if (request.empty()) {
    key = "KESTRIN - Viewport";
  } else {
    return LastNamed(records, count, request);  // a name override
  }

  std::string match;
  for (const std::string& candidate : candidates) {
    if (candidate.find(key) == std::string::npos) continue;
    if (match.empty() || candidate == connectedName) match = candidate;
    if (candidate == connectedName) break;
  }
  return match.empty() ? nullptr : LastNamed(records, count, match);
}
