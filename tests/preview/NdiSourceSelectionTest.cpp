// Which discovered source a request picks.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "preview/NdiSourceSelection.h"

namespace {

// The index of the selected record, or -1 for none.
int Select(const std::vector<NdiSourceRecord>& records, const std::string& request,
           const std::string& connected = "") {
  const NdiSourceRecord* selected =
      SelectNdiSource(records.data(), static_cast<std::uint32_t>(records.size()), request,
                      connected);
  return selected ? static_cast<int>(selected - records.data()) : -1;
}

TEST(NdiSourceSelection, ViewportTakesTheFirstInByteOrderUnlessTheConnectedOneStillMatches) {
  const std::vector<NdiSourceRecord> records = {
      {"KESTRIN - Viewport b", "u0"},
      {"KESTRIN - Viewport B", "u1"},
      {"KESTRIN - Viewport \xC3\xA9", "u2"},  // a byte above 0x7F sorts last
      {"KESTRIN - Viewport", "u3"},           // a prefix sorts first
      {"Other KESTRIN - Viewport (copy)", "u4"},
  };
  EXPECT_EQ(Select(records, ""), 3);
  EXPECT_EQ(Select(records, "", "KESTRIN - Viewport \xC3\xA9"), 2);
  EXPECT_EQ(Select(records, "", "KESTRIN - Viewport b"), 0);
  // The connected source is gone: back to byte order.
  EXPECT_EQ(Select(records, "", "KESTRIN - Viewport gone"), 3);
  // Names without the key are no match, however close.
  EXPECT_EQ(Select({{"KESTRIN Viewport", "u"}, {"kestrin - Viewport", "u"}}, ""), -1);
  EXPECT_EQ(Select({}, ""), -1);
}

TEST(NdiSourceSelection, DuplicateNamesResolveToTheLastRecordAndNullNamesAreIgnored) {
  const std::vector<NdiSourceRecord> records = {
      {"KESTRIN - Viewport", "first"},
      {nullptr, "no name"},
      {"KESTRIN - Viewport", "second"},
      {nullptr, nullptr},
  };
  EXPECT_EQ(Select(records, ""), 2);
  EXPECT_EQ(Select({{nullptr, "a"}, {nullptr, nullptr}}, ""), -1);
}

TEST(NdiSourceSelection, ProjectorKeyNeedsTheIdFollowedByTheSeparator) {
  const std::vector<NdiSourceRecord> records = {
      {"KESTRIN - VP-030 - Wall", "a"},  // VP-030 is not VP-03
      {"KESTRIN - VP-03", "b"},          // no separator after the id
      {"KESTRIN - VP-03 - Stage left", "c"},
      {"KESTRIN - Viewport", "d"},
  };
  EXPECT_EQ(Select(records, "@projector:VP-03"), 2);
  EXPECT_EQ(Select(records, "@projector:VP-04"), -1);
  // The bare prefix asks for "KESTRIN - " directly followed by " - ".
  EXPECT_EQ(Select(records, "@projector:"), -1);
  EXPECT_EQ(Select({{"KESTRIN -  - x", "e"}, {"KESTRIN - - x", "f"}}, "@projector:"), 0);
}

TEST(NdiSourceSelection, AnyOtherRequestIsAnExactNameKestrinOrNot) {
  const std::vector<NdiSourceRecord> records = {
      {"Studio Camera", "a"},
      {"@Projector:VP-03", "b"},  // capital P: not the prefix, just a name
      {"KESTRIN - VP-03 - Stage", "c"},
      {"Studio Camera", "d"},
      {"Studio Camera 2", "e"},
  };
  EXPECT_EQ(Select(records, "Studio Camera"), 3);
  EXPECT_EQ(Select(records, "@Projector:VP-03"), 1);
  EXPECT_EQ(Select(records, "Studio"), -1);
  EXPECT_EQ(Select(records, "studio camera"), -1);
  // An override never falls back to a KESTRIN source.
  EXPECT_EQ(Select(records, "KESTRIN - VP-03"), -1);
  EXPECT_EQ(Select(records, "KESTRIN - VP-03 - Stage", "Studio Camera"), 2);
}

}  // namespace
