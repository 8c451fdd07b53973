// A GL context, the test plugin library loaded through the plugin host, and
// a fresh probe for every test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestProbe.h"
#include "testing/gl_context/GlContext.h"
#include "testing/plugin_host/HostFramebuffer.h"
#include "testing/plugin_host/PluginHost.h"

class PluginFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    probe::Reset();
    std::string error;
    context_ = testgl::CreateCurrentContextWithGlew(error);
    ASSERT_TRUE(context_) << error;
    // A host always has a framebuffer bound when it sends frames; the
    // context's own surface must not be drawn into.
    framebuffer_ = testhost::HostFramebuffer::Create(64, 32, error);
    ASSERT_TRUE(framebuffer_) << error;
    framebuffer_->Bind();
    library_ = testhost::PluginLibrary::Load(TEST_PLUGIN_PATH, error);
    ASSERT_TRUE(library_) << error;
  }

  void TearDown() override {
    library_.reset();
    if (framebuffer_) framebuffer_->Unbind();
    framebuffer_.reset();
    if (context_) {
      EXPECT_EQ(context_->TakeErrors(), "");
    }
    context_.reset();
    probe::Reset();
  }

  // The calls recorded since the last TakeCalls.
  static std::vector<std::string> TakeCalls() {
    std::vector<std::string> calls;
    calls.swap(probe::Calls());
    return calls;
  }

  std::unique_ptr<testhost::PluginInstance> Instantiate(uint32_t width = 64, uint32_t height = 32) {
    auto instance = library_->Instantiate(ViewportRecord{0, 0, width, height});
    EXPECT_TRUE(instance) << "code 18 failed";
    return instance;
  }

  std::unique_ptr<testgl::GlContext> context_;
  std::unique_ptr<testhost::HostFramebuffer> framebuffer_;
  std::unique_ptr<testhost::PluginLibrary> library_;
};
