#include "glhelpers/OffscreenTarget.h"

#include <vector>

#include "GlTestSupport.h"
#include "glhelpers/FullscreenQuad.h"
#include "glhelpers/ScopedGuards.h"
#include "glhelpers/ShaderProgram.h"

namespace {

using glhelpers_test::ColourFramebuffer;
using glhelpers_test::GetInteger;

class OffscreenTarget : public glhelpers_test::GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    if (HasFatalFailure()) return;
    hostDraw_ = std::make_unique<ColourFramebuffer>(4, 4);
    hostRead_ = std::make_unique<ColourFramebuffer>(4, 4);
  }
  void TearDown() override {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    hostDraw_.reset();
    hostRead_.reset();
  }

  // The host's framebuffers: distinct ones for drawing and reading.
  void BindHostFramebuffers() {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, hostDraw_->Id());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, hostRead_->Id());
  }
  void ExpectHostFramebuffersBound() {
    EXPECT_EQ(GetInteger(GL_DRAW_FRAMEBUFFER_BINDING), GLint(hostDraw_->Id()));
    EXPECT_EQ(GetInteger(GL_READ_FRAMEBUFFER_BINDING), GLint(hostRead_->Id()));
  }

  static GLint TextureLevelParameter(GLuint texture, GLenum name) {
    GLint value = -1;
    ffglex::Scoped2DTextureBinding binding(texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, name, &value);
    return value;
  }

  std::unique_ptr<ColourFramebuffer> hostDraw_;
  std::unique_ptr<ColourFramebuffer> hostRead_;
};

TEST_F(OffscreenTarget, CreateAssemblesACompleteTargetAndPutsBackTheHostFramebuffers) {
  ffglex::OffscreenTarget target;
  BindHostFramebuffers();
  ASSERT_TRUE(target.Create(640, 360, GL_RGBA8));
  ExpectHostFramebuffersBound();

  const TextureRecord info = target.TextureInfo();
  EXPECT_EQ(info.Width, 640u);
  EXPECT_EQ(info.Height, 360u);
  EXPECT_EQ(info.HardwareWidth, 640u);
  EXPECT_EQ(info.HardwareHeight, 360u);
  ASSERT_TRUE(glIsTexture(info.Handle));
  EXPECT_EQ(target.Width(), 640u);
  EXPECT_EQ(target.Height(), 360u);
  EXPECT_EQ(TextureLevelParameter(info.Handle, GL_TEXTURE_WIDTH), 640);
  EXPECT_EQ(TextureLevelParameter(info.Handle, GL_TEXTURE_HEIGHT), 360);
  EXPECT_EQ(TextureLevelParameter(info.Handle, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
  {
    ffglex::Scoped2DTextureBinding binding(info.Handle);
    const GLenum names[] = {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S,
                            GL_TEXTURE_WRAP_T};
    const GLint expected[] = {GL_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE};
    for (int i = 0; i < 4; ++i) {
      GLint value = -1;
      glGetTexParameteriv(GL_TEXTURE_2D, names[i], &value);
      EXPECT_EQ(value, expected[i]) << "setting " << i;
    }
  }
  EXPECT_EQ(GetInteger(GL_TEXTURE_BINDING_2D), 0);
  EXPECT_EQ(GetInteger(GL_RENDERBUFFER_BINDING), 0);

  {
    ffglex::ScopedFramebufferBinding binding(target.FramebufferId(), 1);
    GLint depthType = 0, colourName = 0, depthBits = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &depthType);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                          GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE, &depthBits);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &colourName);
    EXPECT_EQ(depthType, GL_RENDERBUFFER);
    EXPECT_EQ(depthBits, 24);
    EXPECT_EQ(GLuint(colourName), info.Handle);
  }
  ExpectHostFramebuffersBound();

  target.Release();
  EXPECT_EQ(target.FramebufferId(), 0u);
  EXPECT_EQ(target.Width(), 0u);
  EXPECT_EQ(target.TextureInfo().Handle, 0u);
  EXPECT_FALSE(glIsTexture(info.Handle));
  target.Release();  // harmless when empty
}

TEST_F(OffscreenTarget, FloatFormatGivesAFloatColourTexture) {
  // The internal format alone cannot show the pixel type handed to
  // glTexImage2D. With an unpack buffer bound, the null data pointer becomes
  // offset 0 into it, so the texture holds that buffer read with that type.
  const std::vector<float> quarters(16 * 8 * 4, 0.25f);
  GLuint unpack = 0;
  glGenBuffers(1, &unpack);
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, unpack);
  glBufferData(GL_PIXEL_UNPACK_BUFFER, GLsizeiptr(quarters.size() * sizeof(float)),
               quarters.data(), GL_STATIC_DRAW);
  ffglex::OffscreenTarget target;
  const bool created = target.Create(16, 8, GL_RGBA32F);
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
  glDeleteBuffers(1, &unpack);
  ASSERT_TRUE(created);

  const GLuint texture = target.TextureInfo().Handle;
  EXPECT_EQ(TextureLevelParameter(texture, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA32F);
  EXPECT_EQ(TextureLevelParameter(texture, GL_TEXTURE_RED_TYPE), GL_FLOAT);
  EXPECT_EQ(TextureLevelParameter(texture, GL_TEXTURE_RED_SIZE), 32);
  std::vector<float> texels(quarters.size(), -1.0f);
  {
    ffglex::Scoped2DTextureBinding binding(texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
  }
  EXPECT_EQ(texels, quarters);
  target.Release();
}

TEST_F(OffscreenTarget, SecondCreateFailsAndKeepsTheFirst) {
  ffglex::OffscreenTarget target;
  ASSERT_TRUE(target.Create(32, 16, GL_RGBA8));
  const GLuint framebuffer = target.FramebufferId();
  const GLuint texture = target.TextureInfo().Handle;

  BindHostFramebuffers();
  EXPECT_FALSE(target.Create(64, 64, GL_RGBA32F));
  ExpectHostFramebuffersBound();
  EXPECT_EQ(target.FramebufferId(), framebuffer);
  EXPECT_EQ(target.TextureInfo().Handle, texture);
  EXPECT_EQ(target.Width(), 32u);
  EXPECT_EQ(target.Height(), 16u);
  EXPECT_EQ(TextureLevelParameter(texture, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
  target.Release();
}

TEST_F(OffscreenTarget, FailedCreateLeavesItEmptyAndTheHostFramebuffersBound) {
  const auto liveObjects = [] {
    int count = 0;
    for (GLuint name = 1; name < 64; ++name) {
      count += glIsFramebuffer(name) + glIsRenderbuffer(name) + glIsTexture(name);
    }
    return count;
  };
  const int before = liveObjects();  // the host framebuffers and their textures
  ffglex::OffscreenTarget target;
  BindHostFramebuffers();
  EXPECT_FALSE(target.Create(0, 0, GL_RGBA8));  // an empty attachment is incomplete
  ExpectHostFramebuffersBound();
  EXPECT_EQ(target.FramebufferId(), 0u);
  EXPECT_EQ(target.Width(), 0u);
  EXPECT_EQ(target.Height(), 0u);
  EXPECT_EQ(target.TextureInfo().Handle, 0u);
  EXPECT_EQ(liveObjects(), before);

  // An empty target can be created afterwards.
  ASSERT_TRUE(target.Create(8, 8, GL_RGBA8));
  target.Release();
  EXPECT_EQ(liveObjects(), before);
}

TEST_F(OffscreenTarget, DrawnPicturesCanBeReadFromItsTexture) {
  constexpr const char* kSolidFragmentShader = R"(#version 410 core
out vec4 fragColour;
void main() { fragColour = vec4(1.0, 0.5, 0.0, 1.0); }
)";
  ffglex::OffscreenTarget target;
  ffglex::ShaderProgram program;
  ffglex::FullscreenQuad quad;
  ASSERT_TRUE(target.Create(20, 10, GL_RGBA8));
  ASSERT_TRUE(program.Compile(glhelpers_test::kQuadVertexShader, kSolidFragmentShader));
  ASSERT_TRUE(quad.Initialise(false));

  glViewport(0, 0, 4, 4);
  {
    ffglex::ScopedFramebufferBinding binding(target.FramebufferId(), 0);
    target.ApplyViewport();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 20);
    EXPECT_EQ(viewport[3], 10);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ffglex::ScopedProgramUse use(program.ProgramId());
    quad.Draw();
  }

  std::vector<unsigned char> pixels(20 * 10 * 4);
  {
    ffglex::Scoped2DTextureBinding binding(target.TextureInfo().Handle);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  }
  for (std::size_t i = 0; i < pixels.size(); i += 4) {
    ASSERT_EQ(pixels[i + 0], 255) << "pixel " << i / 4;
    ASSERT_NEAR(pixels[i + 1], 128, 1) << "pixel " << i / 4;
    ASSERT_EQ(pixels[i + 2], 0) << "pixel " << i / 4;
  }
  quad.Release();
  program.Release();
  target.Release();
}

}  // namespace
