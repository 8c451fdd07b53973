// A host that frees the library while an instance still lives (no code 19
// before FreeLibrary) keeps a loaded module and a running receiver, and the
// process goes on: a fresh load draws with a new instance, and the process
// exits normally. A program of its own, since the module it abandons stays
// loaded until the process ends.
#include "tests/e2e/E2eSupport.h"

namespace {

constexpr int kAttempts = 50;

bool IsPreviewLoaded() { return testos::IsLibraryLoaded(testos::NativePath(KESTRIN_PREVIEW_PATH)); }

TEST(EarlyUnload, AFreedLibraryWithALiveInstanceStaysLoadedAndTheProcessGoesOn) {
  NdiSim_Reset();
  ndisim::ScopedRuntimeFolder runtimeFolder{NDISIM_RUNTIME_DIR};
  ndisim::SetSourceNames({e2e::kMainSource});
  std::string error;
  auto context = testgl::CreateCurrentContextWithGlew(error);
  ASSERT_TRUE(context) << error;
  auto layer = testhost::HostFramebuffer::Create(64, 36, error);
  ASSERT_TRUE(layer) << error;
  const e2e::SolidPicture green{32, 18, e2e::kGreen};

  auto library = testhost::PluginLibrary::Load(KESTRIN_PREVIEW_PATH, error);
  ASSERT_TRUE(library) << error;
  ASSERT_EQ(library->Initialise(), FF_SUCCESS);
  auto abandoned = library->Instantiate(layer->Viewport());
  ASSERT_TRUE(abandoned);
  ASSERT_TRUE(e2e::Publish(green.frame));
  ASSERT_EQ(abandoned->RenderFrame(*layer), FF_SUCCESS);
  // The host forgets the instance and unloads: code 2, FreeLibrary, no 19.
  abandoned.release();
  library.reset();

  EXPECT_TRUE(IsPreviewLoaded());
  // Its worker still receives: only it can take this picture.
  ASSERT_TRUE(e2e::Publish(green.frame));

  auto fresh = testhost::PluginLibrary::Load(KESTRIN_PREVIEW_PATH, error);
  ASSERT_TRUE(fresh) << error;
  ASSERT_EQ(fresh->Initialise(), FF_SUCCESS);
  auto second = fresh->Instantiate(layer->Viewport());
  ASSERT_TRUE(second);
  // Both workers take pictures from the one queue: publish until one
  // reaches the new instance.
  bool shown = false;
  for (int attempt = 0; attempt < kAttempts && !shown; ++attempt) {
    ASSERT_TRUE(e2e::Publish(green.frame));
    ASSERT_EQ(second->RenderFrame(*layer), FF_SUCCESS);
    shown = e2e::Near(layer->ReadPixels().PixelFromTop(32, 18), e2e::kGreen);
  }
  EXPECT_TRUE(shown) << "the new instance never drew a picture";
  EXPECT_EQ(second->Deinstantiate(), FF_SUCCESS);
  fresh.reset();
  EXPECT_TRUE(IsPreviewLoaded()) << "the abandoned worker's module went away under it";
  EXPECT_EQ(context->TakeErrors(), "");
}

}  // namespace
