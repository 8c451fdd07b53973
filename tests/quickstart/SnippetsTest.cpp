// The snippet tables: sizes, form and dependencies. Whether the GLSL compiles
// and draws is SnippetsGlTest's business.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "quickstart/Snippets.h"

namespace {

using ffglqs::SnippetCode;
using ffglqs::SnippetDependencies;

TEST(Snippets, TextsHaveTheirLengthsAndForm) {
  ASSERT_EQ(SnippetCode.size(), 3u);
  EXPECT_EQ(SnippetCode.at(ffglqs::SnippetId::Random).size(), 507u);
  EXPECT_EQ(SnippetCode.at(ffglqs::SnippetId::Map).size(), 553u);
  EXPECT_EQ(SnippetCode.at(ffglqs::SnippetId::SimplexNoise).size(), 1270u);

  for (const auto& [id, code] : SnippetCode) {
    SCOPED_TRACE(id);
    EXPECT_EQ(code.front(), '\n');
    EXPECT_EQ(code.substr(code.size() - 2), "}\n");
    // Bodies are indented with tabs only.
    std::istringstream lines(code);
    for (std::string line; std::getline(lines, line);) {
      EXPECT_NE(line.rfind(' ', 0), 0u) << line;
    }
  }
}

TEST(Snippets, NoSnippetNeedsAnotherAndUnknownIdsHaveNoEntry) {
  ASSERT_EQ(SnippetDependencies.size(), 1u);
  ASSERT_EQ(SnippetDependencies.count(2), 1u);
  EXPECT_TRUE(SnippetDependencies.at(2).empty());
  for (int id : {0, 1, 3, -1}) EXPECT_EQ(SnippetDependencies.count(id), 0u) << id;
  for (int id : {3, -1, 100}) EXPECT_EQ(SnippetCode.count(id), 0u) << id;
}

}  // namespace
