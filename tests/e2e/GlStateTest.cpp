// The GL state a host finds after a frame, and the texture behind the
// picture: uploaded once per new frame, reallocated only when the size
// changes.
#include <algorithm>

#include "E2eSupport.h"

namespace {

using e2e::kBlack;
using e2e::kBlue;
using e2e::kCyan;
using e2e::kGreen;
using e2e::kRed;
using e2e::kYellow;
using e2e::Publish;
using e2e::QuadrantPicture;
using e2e::RgbaImage;
using e2e::SolidPicture;

using GlState = e2e::PreviewTest;

GLint GetInt(GLenum name) {
  GLint value = -1;
  glGetIntegerv(name, &value);
  return value;
}

TEST_F(GlState, AFrameLeavesTheHostsStateAsTheRulesSay) {
  auto& instance = Instantiate();
  QuadrantPicture picture(64, 36);
  ASSERT_TRUE(Publish(picture.frame));

  // A host with unusual unpack settings, its own unpack buffer, another
  // unit active with a texture on it, blending on and a framebuffer and
  // viewport of its own.
  GLuint hostBuffer = 0, hostTexture = 0;
  glGenBuffers(1, &hostBuffer);
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, hostBuffer);
  glBufferData(GL_PIXEL_UNPACK_BUFFER, 1 << 20, nullptr, GL_STREAM_DRAW);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 100);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 3);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 5);
  glActiveTexture(GL_TEXTURE2);
  glGenTextures(1, &hostTexture);
  glBindTexture(GL_TEXTURE_2D, hostTexture);
  glEnable(GL_BLEND);
  glBlendFuncSeparate(GL_ONE, GL_ZERO, GL_ONE, GL_ZERO);  // blends to the source colour
  glBlendEquation(GL_FUNC_ADD);
  layer->Bind();
  glViewport(0, 0, 160, 90);

  ASSERT_EQ(instance.ProcessOpenGL(), FF_SUCCESS);

  EXPECT_EQ(GetInt(GL_UNPACK_ALIGNMENT), 8);
  EXPECT_EQ(GetInt(GL_UNPACK_ROW_LENGTH), 100);
  EXPECT_EQ(GetInt(GL_UNPACK_SKIP_ROWS), 3);
  EXPECT_EQ(GetInt(GL_UNPACK_SKIP_PIXELS), 5);
  EXPECT_EQ(GetInt(GL_PIXEL_UNPACK_BUFFER_BINDING), static_cast<GLint>(hostBuffer));
  // The plugin's own bindings end at zero, on unit 0.
  EXPECT_EQ(GetInt(GL_CURRENT_PROGRAM), 0);
  EXPECT_EQ(GetInt(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
  EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), 0);
  glActiveTexture(GL_TEXTURE2);
  EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), static_cast<GLint>(hostTexture));
  // Everything else is as the host left it.
  EXPECT_EQ(GetInt(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(layer->Framebuffer()));
  EXPECT_EQ(GetInt(GL_READ_FRAMEBUFFER_BINDING), static_cast<GLint>(layer->Framebuffer()));
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, 160, 90}));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(GetInt(GL_BLEND_SRC_RGB), GL_ONE);
  EXPECT_EQ(GetInt(GL_BLEND_DST_RGB), GL_ZERO);
  EXPECT_EQ(GetInt(GL_BLEND_EQUATION_RGB), GL_FUNC_ADD);

  // Back to defaults before reading the picture, which the host's unpack
  // state must not have disturbed.
  layer->Unbind();
  glDisable(GL_BLEND);
  glBindTexture(GL_TEXTURE_2D, 0);
  glActiveTexture(GL_TEXTURE0);
  glDeleteTextures(1, &hostTexture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
  glDeleteBuffers(1, &hostBuffer);
  const RgbaImage image = layer->ReadPixels();
  EXPECT_PIXEL(image, 40, 22, kRed);
  EXPECT_PIXEL(image, 120, 22, kGreen);
  EXPECT_PIXEL(image, 40, 67, kBlue);
  EXPECT_PIXEL(image, 120, 67, kYellow);
}

TEST_F(GlState, ARepeatedFrameIsNotUploadedAgainAndANewSizeReallocates) {
  const std::vector<GLuint> hostTextures = testgl::LiveGlObjects().textures;
  auto& instance = Instantiate();
  SolidPicture green(64, 36, kGreen);
  ASSERT_TRUE(Publish(green.frame));
  EXPECT_PIXEL(Render(instance), 80, 45, kGreen);

  // The plugin's texture is the one name the host did not make.
  std::vector<GLuint> pluginTextures;
  for (GLuint name : testgl::LiveGlObjects().textures) {
    if (std::find(hostTextures.begin(), hostTextures.end(), name) == hostTextures.end()) {
      pluginTextures.push_back(name);
    }
  }
  ASSERT_EQ(pluginTextures.size(), 1u);
  const GLuint texture = pluginTextures[0];
  auto storageSize = [&] {
    GLint width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    glBindTexture(GL_TEXTURE_2D, 0);
    return std::make_pair(width, height);
  };
  EXPECT_EQ(storageSize(), std::make_pair(64, 36));

  // Paint over the texture behind the plugin's back: the next draws of the
  // same frame show the paint, so they did not upload the frame again.
  const SolidPicture cyan(64, 36, kCyan);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 64, 36, GL_BGRA, GL_UNSIGNED_BYTE, cyan.bgra.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  EXPECT_PIXEL(Render(instance), 80, 45, kCyan);
  EXPECT_PIXEL(Render(instance), 80, 45, kCyan);

  // A new frame of the same size overwrites the storage.
  SolidPicture yellow(64, 36, kYellow);
  ASSERT_TRUE(Publish(yellow.frame));
  EXPECT_PIXEL(Render(instance), 80, 45, kYellow);
  EXPECT_EQ(storageSize(), std::make_pair(64, 36));

  // A new size gets new storage, framed at its own aspect (square: bars).
  SolidPicture blue(64, 64, kBlue);  // a new height only
  ASSERT_TRUE(Publish(blue.frame));
  const RgbaImage square = Render(instance);
  EXPECT_PIXEL(square, 80, 45, kBlue);
  EXPECT_PIXEL(square, 10, 45, kBlack);
  EXPECT_EQ(storageSize(), std::make_pair(64, 64));

  ASSERT_TRUE(Publish(green.frame));
  EXPECT_PIXEL(Render(instance), 10, 45, kGreen);
  EXPECT_EQ(storageSize(), std::make_pair(64, 36));
}

}  // namespace
