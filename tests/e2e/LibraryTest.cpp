// The plugin library as a host first meets it: what loading does, what it
// exports, and the class-level answers (registration records and the six
// parameters), all before any instance or GL context exists.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "E2eSupport.h"
#include "quickstart/Snippets.h"
#include "tests/ExactTexts.h"

namespace {

using e2e::ThreadCount;

class Library : public ::testing::Test {
 protected:
  void SetUp() override {
    NdiSim_Reset();
    std::string error;
    library = testhost::PluginLibrary::Load(KESTRIN_PREVIEW_PATH, error);
    ASSERT_TRUE(library) << error;
  }

  ndisim::ScopedRuntimeFolder runtimeFolder{NDISIM_RUNTIME_DIR};
  std::unique_ptr<testhost::PluginLibrary> library;
};

#ifndef _WIN32  // a DLL's tables are checked by the KestrinPreview.DllTables test
TEST(LibraryFile, ExportsExactlyPlugMainAndSetLogCallback) {
  EXPECT_EQ(testos::DynamicExports(NM_PATH, KESTRIN_PREVIEW_PATH),
            (std::set<std::string>{"SetLogCallback", "plugMain"}));
}
#endif

TEST(LibraryFile, CarriesTheQuickStartFrameworkAndThePreviewsExactShaders) {
  // The framework's snippet texts are in the library, so the linker kept it.
  std::ifstream file(KESTRIN_PREVIEW_PATH, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  for (const auto& [id, code] : ffglqs::SnippetCode) {
    EXPECT_NE(bytes.find(code), std::string::npos) << "snippet " << id;
  }
  EXPECT_NE(bytes.find(exact::kPreviewVertexShader), std::string::npos);
  EXPECT_NE(bytes.find(exact::kPreviewFragmentShader), std::string::npos);
}

TEST(LibraryLoad, LoadingStartsNoThreadAndMakesNoNdiCall) {
  NdiSim_Reset();
  ndisim::ScopedRuntimeFolder runtimeFolder{NDISIM_RUNTIME_DIR};
  const int threads = ThreadCount();
  std::string error;
  auto library = testhost::PluginLibrary::Load(KESTRIN_PREVIEW_PATH, error);
  ASSERT_TRUE(library) << error;
  ASSERT_NE(library->GetInfo(), nullptr);
  EXPECT_EQ(library->GetNumParameters(), 6u);  // the prototype exists now
  EXPECT_EQ(ThreadCount(), threads);
  library.reset();
  EXPECT_EQ(ThreadCount(), threads);
  EXPECT_EQ(NdiSim_EventCount(), 0);
  EXPECT_EQ(NdiSim_LoadCount(), 0);
}

TEST_F(Library, InfoRecordsCarryTheRegistrationValues) {
  const PluginInfoRecord* info = library->GetInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->APIMajorVersion, 2u);
  EXPECT_EQ(info->APIMinorVersion, 1u);
  EXPECT_EQ(std::memcmp(info->PluginUniqueID, "KNPR", 4), 0);
  const char name[16] = "KESTRIN Preview";
  EXPECT_EQ(std::memcmp(info->PluginName, name, 16), 0);  // zero-padded
  EXPECT_EQ(info->PluginType, FF_SOURCE);

  const ExtendedInfoRecord* extended = library->GetExtendedInfo();
  ASSERT_NE(extended, nullptr);
  EXPECT_EQ(extended->PluginMajorVersion, 1u);
  EXPECT_EQ(extended->PluginMinorVersion, 1u);
  EXPECT_STREQ(extended->Description, "Clean KESTRIN viewport via NDI");
  EXPECT_STREQ(extended->About, "KESTRIN Preview 1.1 - Host 7.3.2+");
  EXPECT_EQ(extended->FreeFrameExtendedDataSize, 0u);
  EXPECT_EQ(extended->FreeFrameExtendedDataBlock, nullptr);

  // A source: no inputs, bottom-left textures only.
  EXPECT_EQ(library->GetPluginCaps(FF_CAP_MINIMUM_INPUT_FRAMES), 0u);
  EXPECT_EQ(library->GetPluginCaps(FF_CAP_MAXIMUM_INPUT_FRAMES), 0u);
  EXPECT_EQ(library->GetPluginCaps(FF_CAP_TOP_LEFT_TEXTURE_ORIENTATION), 0u);
}

TEST_F(Library, DeclaresSixParametersWithTheirTypesAndDefaults) {
  ASSERT_EQ(library->GetNumParameters(), 6u);
  const char* names[] = {"Source", "NDI name override", "Framing", "Flip vertical", "Freeze",
                         "Connection"};
  const uint32_t types[] = {FF_TYPE_OPTION,  FF_TYPE_TEXT,    FF_TYPE_OPTION,
                            FF_TYPE_BOOLEAN, FF_TYPE_BOOLEAN, FF_TYPE_TEXT};
  for (uint32_t id = 0; id < 6; ++id) {
    SCOPED_TRACE(id);
    EXPECT_STREQ(library->GetParameterName(id), names[id]);
    EXPECT_EQ(library->GetParameterType(id), types[id]);
    EXPECT_EQ(library->GetParameterUsage(id), FF_USAGE_STANDARD);
  }
  EXPECT_EQ(library->GetParameterDefaultFloat(e2e::kSource), 0.0f);
  EXPECT_STREQ(library->GetParameterDefaultText(e2e::kNameOverride), "");
  EXPECT_EQ(library->GetParameterDefaultFloat(e2e::kFraming), 0.0f);
  EXPECT_EQ(library->GetParameterDefaultFloat(e2e::kFlip), 0.0f);
  EXPECT_EQ(library->GetParameterDefaultFloat(e2e::kFreeze), 0.0f);
  EXPECT_STREQ(library->GetParameterDefaultText(e2e::kConnection), "Starting");
  EXPECT_EQ(library->GetNumParameterElements(e2e::kNameOverride), 1u);  // a plain value slot
}

TEST_F(Library, SourceListsTheViewportAndSixtyFourProjectors) {
  ASSERT_EQ(library->GetNumParameterElements(e2e::kSource), 65u);
  EXPECT_STREQ(library->GetParameterElementName(e2e::kSource, 0), "Viewport");
  EXPECT_EQ(library->GetParameterElementValue(e2e::kSource, 0).AsFloat(), 0.0f);
  for (uint32_t i = 1; i <= 64; ++i) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "Projector VP-%02u", i);
    EXPECT_STREQ(library->GetParameterElementName(e2e::kSource, i), expected);
    EXPECT_EQ(library->GetParameterElementValue(e2e::kSource, i).AsFloat(), static_cast<float>(i));
  }
  EXPECT_STREQ(library->GetParameterElementName(e2e::kSource, 64), "Projector VP-64");
  EXPECT_EQ(library->GetParameterElementValue(e2e::kSource, 64).AsFloat(), 64.0f);
}

TEST_F(Library, FramingListsFitFillStretch) {
  ASSERT_EQ(library->GetNumParameterElements(e2e::kFraming), 3u);
  const char* names[] = {"Fit", "Fill", "Stretch"};
  for (uint32_t i = 0; i < 3; ++i) {
    EXPECT_STREQ(library->GetParameterElementName(e2e::kFraming, i), names[i]);
    EXPECT_EQ(library->GetParameterElementValue(e2e::kFraming, i).AsFloat(), static_cast<float>(i));
  }
}

}  // namespace
