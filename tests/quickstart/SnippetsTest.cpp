// The snippet tables: their sizes, form and the names that plugin bodies and
// the other snippets call.
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

TEST(Snippets, DefineTheNamesTheirUsersCall) {
  const char* random[] = {"const uint random_k = 1103515245U;", "float random( uvec2 x )\n",
                          "vec3 random3( uvec3 x )\n", "float random()\n"};
  const char* map[] = {"float map( float t, float a, float b )\n",
                       "vec2 map( vec2 t, vec2 a, vec2 b )\n",
                       "float map( float value, float low, float high, float newLow, float newHigh )\n",
                       "vec2 map(vec2 value, vec2 low, vec2 high, vec2 newLow, vec2 newHigh) {\n"};
  const char* noise[] = {"vec3 random3( vec3 c )\n",
                         "const float F3 =  0.3333333;\n",
                         "const float G3 =  0.1666667;\n",
                         "float simplex3d(vec3 p)\n",
                         "const mat3 rot1 = mat3(-0.37, 0.36, 0.85,-0.14,-0.93, 0.34,0.92, 0.01,0.4);\n",
                         "const mat3 rot2 = mat3(-0.55,-0.39, 0.74, 0.33,-0.91,-0.24,0.77, 0.12,0.63);\n",
                         "const mat3 rot3 = mat3(-0.71, 0.52,-0.47,-0.08,-0.72,-0.68,-0.7,-0.45,0.56);\n",
                         "float fractal_noise(vec3 m, vec4 coef)\n"};
  for (const char* name : random)
    EXPECT_NE(SnippetCode.at(0).find(name), std::string::npos) << name;
  for (const char* name : map) EXPECT_NE(SnippetCode.at(1).find(name), std::string::npos) << name;
  // Each name is defined before its first use.
  const std::string& code = SnippetCode.at(2);
  std::size_t previous = 0;
  for (const char* name : noise) {
    const std::size_t at = code.find(name);
    ASSERT_NE(at, std::string::npos) << name;
    EXPECT_GT(at, previous) << name;
    previous = at;
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
