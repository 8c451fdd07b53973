// The snippet tables: their exact texts and dependencies. Whether the GLSL
// compiles and draws is SnippetsGlTest's business.
#include <gtest/gtest.h>

#include <string>

#include "quickstart/Snippets.h"
#include "tests/ExactTexts.h"

namespace {

using ffglqs::SnippetCode;
using ffglqs::SnippetDependencies;

TEST(Snippets, TextsAreExactlyTheExpectedOnes) {
  ASSERT_EQ(SnippetCode.size(), 3u);
  EXPECT_EQ(SnippetCode.at(ffglqs::SnippetId::Random), exact::kSnippetRandom);
  EXPECT_EQ(SnippetCode.at(ffglqs::SnippetId::Map), exact::kSnippetMap);
  EXPECT_EQ(SnippetCode.at(ffglqs::SnippetId::SimplexNoise), exact::kSnippetSimplexNoise);
}

TEST(Snippets, NoSnippetNeedsAnotherAndUnknownIdsHaveNoEntry) {
  ASSERT_EQ(SnippetDependencies.size(), 1u);
  ASSERT_EQ(SnippetDependencies.count(2), 1u);
  EXPECT_TRUE(SnippetDependencies.at(2).empty());
  for (int id : {0, 1, 3, -1}) EXPECT_EQ(SnippetDependencies.count(id), 0u) << id;
  for (int id : {3, -1, 100}) EXPECT_EQ(SnippetCode.count(id), 0u) << id;
}

}  // namespace
