// The context every GL test stands on: 4.1 core or newer, GLEW loaded, a
// framebuffer object can be drawn into and read back, and the GL errors and
// objects a test checks are seen.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "GlContext.h"

namespace {

TEST(GlContext, IsCoreProfileAtLeast41AndDrawsIntoAFramebuffer) {
  std::string error;
  auto context = testgl::CreateCurrentContextWithGlew(error);
  ASSERT_TRUE(context) << error;

  GLint major = 0, minor = 0, profile = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  glGetIntegerv(GL_MINOR_VERSION, &minor);
  glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
  EXPECT_GE(major * 10 + minor, 41);
  EXPECT_TRUE(profile & GL_CONTEXT_CORE_PROFILE_BIT);

  GLuint texture = 0, framebuffer = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  const testgl::GlObjects live = testgl::LiveGlObjects();
  EXPECT_EQ(live.textures, std::vector<unsigned>{texture});
  EXPECT_EQ(live.framebuffers, std::vector<unsigned>{framebuffer});
  ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  unsigned char pixel[4] = {};
  glReadPixels(1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_EQ(pixel[0], 255);
  EXPECT_EQ(pixel[1], 0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteTextures(1, &texture);
  EXPECT_EQ(testgl::LiveGlObjects(), testgl::GlObjects{});
  EXPECT_EQ(context->TakeErrors(), "");
}

TEST(GlContext, RecordsEachGlErrorOnceAndThenForgetsIt) {
  std::string error;
  auto context = testgl::CreateCurrentContextWithGlew(error);
  ASSERT_TRUE(context) << error;
  GLint flags = 0;
  glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
  EXPECT_TRUE(flags & GL_CONTEXT_FLAG_DEBUG_BIT);
  EXPECT_EQ(context->TakeErrors(), "");

  glEnable(0x1234);  // no such capability
  const std::string recorded = context->TakeErrors();
  EXPECT_NE(recorded.find("0x1234"), std::string::npos) << recorded;
  EXPECT_EQ(std::count(recorded.begin(), recorded.end(), '\n'), 1) << recorded;
  EXPECT_EQ(context->TakeErrors(), "");

  // With debug output switched off the error flag still tells.
  glDisable(GL_DEBUG_OUTPUT);
  glBindTexture(GL_TEXTURE_2D, 4096);  // a name never generated
  EXPECT_EQ(context->TakeErrors(), "GL_INVALID_OPERATION (0x0502, from glGetError)\n");
  glEnable(GL_DEBUG_OUTPUT);
  EXPECT_EQ(context->TakeErrors(), "");
}

}  // namespace
