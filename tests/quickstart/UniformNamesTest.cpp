// Parameter names that cannot name their shader uniform are refused with one
// line that says which and why (InitGL fails on that answer: the lifecycle
// and package tests show it through a host); every name the shader can take
// still passes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "quickstart/Effect.h"
#include "quickstart/Mixer.h"
#include "quickstart/Snippets.h"
#include "quickstart/Source.h"
#include "tests/glhelpers/StdoutCapture.h"

namespace {

using namespace ffglqs;

template <typename Variant>
class Author : public Variant {
 public:
  Author() : Variant(false) {}
  using Plugin::AddHsbaColorParams;
  using Plugin::AddParam;
  using Plugin::AddRgbColorParams;
  using Plugin::IncludeSnippet;
  using Plugin::SetFragmentBody;
  using Plugin::UniformNamesUsable;
};

const char kBody[] = "\nvoid main()\n{\n\tfragColor = vec4(1.0);\n}\n";

// The check's answer and everything it wrote, for a plugin that `declare`
// set up.
template <typename Variant>
std::pair<bool, std::string> CheckOf(const std::function<void(Author<Variant>&)>& declare) {
  Author<Variant> plugin;
  plugin.SetFragmentBody(kBody);
  declare(plugin);
  glhelpers_test::StdoutCapture output;
  const bool usable = plugin.UniformNamesUsable();
  return {usable, output.Text()};
}

std::string Line(const std::string& name, const std::string& why) {
  return "Parameter \"" + name + "\" cannot name a shader uniform: " + why + "\n";
}

const char kNotAnIdentifier[] =
    "it is not a GLSL identifier (letters, digits and _, not starting with a digit)";

TEST(UniformNames, AnUnusableNameIsRefusedWithOneLineSayingWhy) {
  using SourceAuthor = Author<Source>;
  const struct {
    std::function<void(SourceAuthor&)> declare;
    std::string line;
  } cases[] = {
      {[](SourceAuthor& p) { p.AddParam(Param::Create("my gain")); },
       Line("my gain", kNotAnIdentifier)},
      {[](SourceAuthor& p) { p.AddParam(Param::Create("2x")); }, Line("2x", kNotAnIdentifier)},
      {[](SourceAuthor& p) { p.AddParam(Param::Create()); }, Line("", kNotAnIdentifier)},
      {[](SourceAuthor& p) { p.AddParam(ParamText::Create("caf\xc3\xa9")); },
       Line("caf\xc3\xa9", kNotAnIdentifier)},
      {[](SourceAuthor& p) { p.AddParam(ParamBool::Create("float")); },
       Line("float", "\"float\" is a reserved word of GLSL")},
      {[](SourceAuthor& p) { p.AddParam(Param::Create("input")); },
       Line("input", "\"input\" is a reserved word of GLSL")},
      {[](SourceAuthor& p) { p.AddRgbColorParams("gl_Tint"); },
       Line("gl_Tint", "names starting with gl_ are reserved for GLSL")},
      {[](SourceAuthor& p) { p.AddParam(Param::Create("time")); },
       Line("time", "the shader already declares \"time\"")},
      {[](SourceAuthor& p) { p.AddParam(ParamTrigger::Create("fragColor")); },
       Line("fragColor", "the shader already declares \"fragColor\"")},
      {[](SourceAuthor& p) { p.AddHsbaColorParams("i_uv"); },
       Line("i_uv", "the shader already declares \"i_uv\"")},
      {[](SourceAuthor& p) { p.AddParam(Param::Create("main")); },
       Line("main", "the shader already declares \"main\"")},
      {[](SourceAuthor& p) {
         p.IncludeSnippet(SnippetId::Map);
         p.AddParam(Param::Create("map"));
       },
       Line("map", "the shader already declares \"map\"")},
      {[](SourceAuthor& p) {
         p.SetFragmentBody(std::string("uniform float extra;\n") + kBody);
         p.AddParam(Param::Create("extra"));
       },
       Line("extra", "the shader already declares \"extra\"")},
      {[](SourceAuthor& p) {
         p.AddRgbColorParams("tint");
         p.AddParam(Param::Create("tint"));
       },
       Line("tint", "an earlier parameter's uniform has the same name")},
  };
  for (const auto& c : cases) {
    const auto [usable, output] = CheckOf<Source>(c.declare);
    EXPECT_FALSE(usable) << c.line;
    EXPECT_EQ(output, c.line);
  }

  // The variants' own inputs, and the names their vertex shaders use.
  EXPECT_EQ(CheckOf<Effect>([](auto& p) { p.AddParam(Param::Create("inputTexture")); }).second,
            Line("inputTexture", "the shader already declares \"inputTexture\""));
  EXPECT_EQ(CheckOf<Effect>([](auto& p) { p.AddParam(Param::Create("maxUV")); }).second,
            Line("maxUV", "the shader already declares \"maxUV\""));
  EXPECT_EQ(CheckOf<Mixer>([](auto& p) { p.AddParam(Param::Create("i_uv_src")); }).second,
            Line("i_uv_src", "the shader already declares \"i_uv_src\""));
  EXPECT_EQ(CheckOf<Mixer>([](auto& p) { p.AddParam(ParamBool::Create("maxUVDest")); }).second,
            Line("maxUVDest", "the shader already declares \"maxUVDest\""));
  EXPECT_EQ(CheckOf<Mixer>([](auto& p) { p.AddParam(Param::Create("mixVal")); }).second,
            Line("mixVal", "an earlier parameter's uniform has the same name"));
}

TEST(UniformNames, EveryNameTheShaderCanTakePasses) {
  Author<Mixer> plugin;  // mixVal comes first
  plugin.SetFragmentBody(kBody);
  plugin.IncludeSnippet(SnippetId::SimplexNoise);
  plugin.AddRgbColorParams("tint");      // tint_green, tint_blue get no uniform
  plugin.AddHsbaColorParams("_c0");
  plugin.AddParam(Param::Create("red", FF_TYPE_RED, 0.5f));
  plugin.AddParam(Param::Create("Red Part Two", FF_TYPE_GREEN, 0.5f));  // inside a group
  plugin.AddParam(Param::Create("Blue!", FF_TYPE_BLUE, 0.5f));
  plugin.AddParam(ParamFFT::Create("Audio Spectrum", 4));  // no uniform: any name
  plugin.AddParam(ParamOption::Create("mode", {{"First choice", 1.0f}}));
  plugin.AddParam(ParamRange::Create("count", int32_t{2}, {0.0f, 8.0f}));
  plugin.AddParam(ParamText::Create("label", "some text"));
  plugin.AddParam(Param::Create("clip", FF_TYPE_FILE, 0.0f));
  plugin.AddParam(ParamTrigger::Create("go"));
  // Near the supplied names and the reserved ones, but not them.
  for (const char* name : {"Time", "timeScale", "inputTexture", "i_uv", "random", "map",
                           "gl", "glow_", "a__b", "floats", "tint_green", "x1"}) {
    plugin.AddParam(Param::Create(name));
  }
  glhelpers_test::StdoutCapture output;
  EXPECT_TRUE(plugin.UniformNamesUsable());
  EXPECT_EQ(output.Text(), "");
}

}  // namespace
