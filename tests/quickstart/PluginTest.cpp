// The quick-start plugin without a GL context: what the host's store holds,
// the exact composed shader text, and the parameter operations.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "quickstart/Effect.h"
#include "quickstart/Mixer.h"
#include "quickstart/Snippets.h"
#include "quickstart/Source.h"
#include "tests/ExactTexts.h"

namespace {

using namespace ffglqs;

// Opens the operations meant for plugin constructors to the tests.
class Composer : public Source {
 public:
  Composer() : Source(false) {}
  using Plugin::AddHsbaColorParams;
  using Plugin::AddParam;
  using Plugin::AddRgbColorParams;
  using Plugin::ComposeFragmentSource;
  using Plugin::FindParam;
  using Plugin::FindParamOption;
  using Plugin::FindParamText;
  using Plugin::IncludeSnippet;
  using Plugin::IncludeSnippets;
};

TEST(PluginParameters, IdsOutOfRangeAndTextOnOtherTypes) {
  Composer plugin;
  plugin.AddParam(Param::Create("plain", 0.25f));
  plugin.AddParam(ParamText::Create("label", "hi"));
  plugin.AddParam(Param::Create("huge", 1e9f));
  plugin.AddParam(Param::Create("clip", FF_TYPE_FILE, 0.0f));

  // An id equal to the count is out of range everywhere; nothing changes.
  EXPECT_EQ(plugin.SetFloatParameter(4, 0.5f), FF_FAIL);
  EXPECT_EQ(plugin.SetTextParameter(4, "x"), FF_FAIL);
  EXPECT_EQ(plugin.GetFloatParameter(4), 0.0f);
  EXPECT_EQ(plugin.GetTextParameter(4), FFGLFailTextPointer());
  EXPECT_EQ(plugin.GetParameterDisplay(4), FFGLFailTextPointer());

  // A file parameter keeps the path the host sends.
  ASSERT_NE(plugin.GetTextParameter(3), FFGLFailTextPointer());
  EXPECT_STREQ(plugin.GetTextParameter(3), "");
  EXPECT_EQ(plugin.SetTextParameter(3, "C:\\clips\\a.mov"), FF_SUCCESS);
  EXPECT_STREQ(plugin.GetTextParameter(3), "C:\\clips\\a.mov");
  EXPECT_EQ(plugin.SetTextParameter(3, nullptr), FF_SUCCESS);
  EXPECT_STREQ(plugin.GetTextParameter(3), "");

  // Text operations need a text parameter; a float reaches any parameter.
  EXPECT_EQ(plugin.SetTextParameter(0, "x"), FF_FAIL);
  EXPECT_EQ(plugin.GetTextParameter(0), FFGLFailTextPointer());
  EXPECT_EQ(plugin.GetFloatParameter(0), 0.25f);
  EXPECT_EQ(plugin.SetFloatParameter(1, 0.75f), FF_SUCCESS);
  EXPECT_EQ(plugin.GetFloatParameter(1), 0.75f);
  EXPECT_STREQ(plugin.GetTextParameter(1), "hi");
  EXPECT_EQ(plugin.SetTextParameter(1, nullptr), FF_SUCCESS);
  EXPECT_STREQ(plugin.GetTextParameter(1), "");

  EXPECT_STREQ(plugin.GetParameterDisplay(0), "0.250000");
  EXPECT_EQ(plugin.GetParameterDisplay(1), FFGLFailTextPointer());
  EXPECT_STREQ(plugin.GetParameterDisplay(2), "1000000000.0000");  // cut to 15
}

TEST(PluginParameters, EachFileParameterKeepsItsOwnPath) {
  Composer plugin;
  plugin.AddParam(Param::Create("clip", FF_TYPE_FILE, 0.0f));
  plugin.AddParam(Param::Create("matte", FF_TYPE_FILE, 0.0f));
  EXPECT_EQ(plugin.SetTextParameter(0, "a.mov"), FF_SUCCESS);
  EXPECT_EQ(plugin.SetTextParameter(1, "b.png"), FF_SUCCESS);
  EXPECT_STREQ(plugin.GetTextParameter(0), "a.mov");
  EXPECT_STREQ(plugin.GetTextParameter(1), "b.png");
}

// The framework's header followed by a source plugin's addition.
std::string SourceHeader() {
  return std::string(exact::kFragmentHeader) + exact::kSourceHeaderAddition;
}

const char kBody[] = "void main() { fragColor = vec4(1.0); }\n";

TEST(FragmentComposition, HeaderDeclarationsSnippetsBodyInThatOrder) {
  Composer plugin;
  EXPECT_EQ(plugin.ComposeFragmentSource(kBody), SourceHeader() + kBody);

  plugin.AddParam(Param::Create("a", 0.3f));
  plugin.AddParam(ParamBool::Create("b"));
  plugin.AddParam(ParamFFT::Create("fft", 4));
  plugin.AddParam(ParamText::Create("t", "text"));
  plugin.AddParam(ParamTrigger::Create("go"));
  plugin.AddParam(ParamOption::Create("mode", {{"A", 1.0f}, {"B", 2.0f}}));
  plugin.AddParam(ParamRange::Create("count", int32_t{3}, {0.0f, 8.0f}));
  plugin.IncludeSnippets({SnippetId::SimplexNoise, SnippetId::Random});
  plugin.IncludeSnippet(SnippetId::SimplexNoise);  // already there: no second copy
  plugin.IncludeSnippet(77);                       // no code for this id: adds nothing

  EXPECT_EQ(plugin.ComposeFragmentSource(kBody),
            SourceHeader() +
                "uniform float a;\nuniform bool b;\nuniform float t;\nuniform bool go;\n"
                "uniform float mode;\nuniform float count;\n" +
                SnippetCode.at(SnippetId::Random) + SnippetCode.at(SnippetId::SimplexNoise) +
                kBody);
}

TEST(FragmentComposition, ColourGroupsOnlyWhenCompleteAndInOrder) {
  Composer plugin;
  plugin.AddRgbColorParams("tint");
  plugin.AddHsbaColorParams("c");
  plugin.AddParam(Param::Create("s"));
  plugin.AddParam(Param::Create("g", FF_TYPE_GREEN, 0.5f));
  plugin.AddParam(Param::Create("b", FF_TYPE_BLUE, 0.5f));
  plugin.AddParam(Param::Create("r", FF_TYPE_RED, 0.5f));
  // A hue run without its alpha at the end of the list, then a red and green
  // without blue.
  plugin.AddParam(Param::Create("h", FF_TYPE_HUE, 0.0f));
  plugin.AddParam(Param::Create("h2", FF_TYPE_SATURATION, 0.0f));
  plugin.AddParam(Param::Create("h3", FF_TYPE_BRIGHTNESS, 0.0f));
  plugin.AddParam(Param::Create("r2", FF_TYPE_RED, 0.5f));
  plugin.AddParam(Param::Create("g2", FF_TYPE_GREEN, 0.5f));

  EXPECT_EQ(plugin.ComposeFragmentSource(""),
            SourceHeader() +
                "uniform vec3 tint;\nuniform vec4 c;\nuniform float s;\n"
                "uniform float g;\nuniform float b;\nuniform float r;\n"
                "uniform float h;\nuniform float h2;\nuniform float h3;\n"
                "uniform float r2;\nuniform float g2;\n");
}

TEST(FragmentComposition, ColourGroupsAtTheEndOfTheListAreStillGroups) {
  Composer rgbLast;
  rgbLast.AddParam(Param::Create("s"));
  rgbLast.AddRgbColorParams("tint");
  EXPECT_EQ(rgbLast.ComposeFragmentSource(""),
            SourceHeader() + "uniform float s;\nuniform vec3 tint;\n");

  Composer hsbaLast;
  hsbaLast.AddHsbaColorParams("c");
  EXPECT_EQ(hsbaLast.ComposeFragmentSource(""), SourceHeader() + "uniform vec4 c;\n");
}

TEST(ParamDeclaration, StoreRecordsFollowTheListPositions) {
  Composer plugin;
  plugin.AddRgbColorParams("tint");                                      // 0-2
  plugin.AddHsbaColorParams("c");                                        // 3-6
  plugin.AddParam(ParamOption::Create("mode", {{"A", 5.0f}, {"B", 6.0f}, {"C", 7.0f}}, 1));  // 7
  plugin.AddParam(ParamRange::Create("big", 5.0f, {0.0f, 10.0f}));      // 8
  plugin.AddParam(ParamRange::Create("small", 0.5f, {0.0f, 10.0f}));    // 9
  plugin.AddParam(ParamRange::Create("steps", int32_t{-3}, {-5.0f, 5.0f}));  // 10
  plugin.AddParam(Param::Create("over", 2.0f));                          // 11
  auto fft = ParamFFT::Create("fft", 16);
  plugin.AddParam(fft);                                                  // 12

  ASSERT_EQ(plugin.GetNumParams(), 13u);
  const char* names[] = {"tint", "tint_green", "tint_blue", "c", "c_saturation",
                         "c_brightness", "c_alpha"};
  const uint32_t types[] = {2, 3, 4, 200, 201, 202, 203};
  const float defaults[] = {0.5f, 0.5f, 0.5f, 0.0f, 0.0f, 1.0f, 1.0f};
  for (uint32_t id = 0; id < 7; ++id) {
    EXPECT_STREQ(plugin.GetParamName(id), names[id]);
    EXPECT_EQ(plugin.GetParamType(id), types[id]);
    EXPECT_EQ(plugin.GetParamDefault(id).AsFloat(), defaults[id]);
  }

  // Option elements carry the indices the host sends back, not the values.
  EXPECT_EQ(plugin.GetParamType(7), FF_TYPE_OPTION);
  ASSERT_EQ(plugin.GetNumParamElements(7), 3u);
  for (uint32_t k = 0; k < 3; ++k) {
    EXPECT_STREQ(plugin.GetParamElementName(7, k), std::string(1, char('A' + k)).c_str());
    EXPECT_EQ(plugin.GetParamElementValue(7, k).AsFloat(), static_cast<float>(k));
  }
  EXPECT_EQ(plugin.GetParamDefault(7).AsFloat(), 1.0f);

  // A range keeps its own units; a plain standard parameter is limited.
  EXPECT_EQ(plugin.GetParamDefault(8).AsFloat(), 5.0f);
  EXPECT_EQ(plugin.GetParamRange(8), std::make_pair(0.0f, 10.0f));
  EXPECT_EQ(plugin.GetParamDefault(9).AsFloat(), 0.5f);
  EXPECT_EQ(plugin.GetParamType(10), FF_TYPE_INTEGER);
  EXPECT_EQ(plugin.GetParamDefault(10).AsFloat(), -3.0f);
  EXPECT_EQ(plugin.GetParamDefault(11).AsFloat(), 1.0f);

  EXPECT_EQ(plugin.GetParamType(12), FF_TYPE_BUFFER);
  EXPECT_EQ(plugin.GetParamUsage(12), FF_USAGE_FFT);
  EXPECT_EQ(plugin.GetNumParamElements(12), 16u);
  EXPECT_EQ(fft->index, 12u);
}

TEST(ParamDeclaration, TextParameterKeepsItsTextAsTheDefault) {
  Composer plugin;
  plugin.AddParam(ParamText::Create("label", "hello"));
  EXPECT_EQ(plugin.GetParamType(0), FF_TYPE_TEXT);
  EXPECT_STREQ(static_cast<const char*>(plugin.GetParamDefault(0).AsPointer()), "hello");
}

TEST(FindParam, FirstExactMatchAndTypedLookups) {
  Composer plugin;
  auto first = Param::Create("x");
  plugin.AddParam(first);
  plugin.AddParam(Param::Create("x"));
  auto option = ParamOption::Create("mode", {{"A", 0.0f}});
  plugin.AddParam(option);
  auto text = ParamText::Create("label");
  plugin.AddParam(text);

  EXPECT_EQ(plugin.FindParam("x"), first);
  EXPECT_EQ(plugin.FindParam("X"), nullptr);
  EXPECT_EQ(plugin.FindParam("x "), nullptr);
  EXPECT_EQ(plugin.FindParamOption("mode"), option);
  EXPECT_EQ(plugin.FindParamOption("x"), nullptr);
  EXPECT_EQ(plugin.FindParamText("label"), text);
  EXPECT_EQ(plugin.FindParamText("mode"), nullptr);
}

// A variant with its shader texts open to the tests.
template <typename Variant>
class Texts : public Variant {
 public:
  Texts() : Variant(false) {}
  using Variant::fragmentHeader;
  using Variant::vertexShaderSource;
};

TEST(Variants, InputCountsMixAmountAndExactShaderTexts) {
  Texts<Effect> effect;
  Texts<Mixer> mixer;
  Texts<Source> source;
  const std::string header = exact::kFragmentHeader;
  EXPECT_EQ(effect.fragmentHeader, header + exact::kEffectHeaderAddition);
  EXPECT_EQ(mixer.fragmentHeader, header + exact::kMixerHeaderAddition);
  EXPECT_EQ(source.fragmentHeader, header + exact::kSourceHeaderAddition);
  EXPECT_EQ(effect.vertexShaderSource, exact::kEffectVertexShader);
  EXPECT_EQ(mixer.vertexShaderSource, exact::kMixerVertexShader);
  EXPECT_EQ(source.vertexShaderSource, exact::kSourceVertexShader);
  EXPECT_EQ(effect.GetMinInputs(), 1);
  EXPECT_EQ(effect.GetMaxInputs(), 1);
  EXPECT_EQ(mixer.GetMinInputs(), 2);
  EXPECT_EQ(mixer.GetMaxInputs(), 2);
  EXPECT_EQ(source.GetMinInputs(), 0);
  EXPECT_EQ(source.GetMaxInputs(), 0);
  EXPECT_EQ(effect.GetNumParams(), 0u);
  EXPECT_EQ(source.GetNumParams(), 0u);
  ASSERT_EQ(mixer.GetNumParams(), 1u);
  EXPECT_STREQ(mixer.GetParamName(0), "mixVal");
  EXPECT_EQ(mixer.GetParamType(0), FF_TYPE_STANDARD);
  EXPECT_EQ(mixer.GetParamDefault(0).AsFloat(), 0.0f);
  EXPECT_FALSE(mixer.IsTopLeftOrientationSupported());
  EXPECT_TRUE(Source(true).IsTopLeftOrientationSupported());
}

}  // namespace
