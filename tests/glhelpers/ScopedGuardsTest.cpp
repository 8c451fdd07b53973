#include "glhelpers/ScopedGuards.h"

#include <memory>

#include "GlTestSupport.h"
#include "glhelpers/ShaderProgram.h"

namespace {

using glhelpers_test::GetInteger;
using glhelpers_test::GlTest;
using glhelpers_test::kQuadVertexShader;
using glhelpers_test::kTexCoordFragmentShader;

class ScopedGuards : public GlTest {};

TEST_F(ScopedGuards, BufferGuardsBindTheirTargetAndUnbindThroughTheBase) {
  GLuint vertexArray = 0, buffers[4] = {};
  glGenVertexArrays(1, &vertexArray);
  glBindVertexArray(vertexArray);  // the element buffer binding lives in a vertex array
  glGenBuffers(4, buffers);

  struct Case {
    GLenum bindingQuery;
    std::unique_ptr<ffglex::ScopedBufferBinding> guard;
  };
  Case cases[] = {
      {GL_ARRAY_BUFFER_BINDING, std::make_unique<ffglex::ScopedVBOBinding>(buffers[0])},
      {GL_ELEMENT_ARRAY_BUFFER_BINDING, std::make_unique<ffglex::ScopedIBOBinding>(buffers[1])},
      {GL_UNIFORM_BUFFER_BINDING, std::make_unique<ffglex::ScopedUBOBinding>(buffers[2])},
      {GL_COPY_READ_BUFFER_BINDING,
       std::make_unique<ffglex::ScopedBufferBinding>(GL_COPY_READ_BUFFER, buffers[3])},
  };
  for (int i = 0; i < 4; ++i) EXPECT_EQ(GetInteger(cases[i].bindingQuery), GLint(buffers[i]));
  for (Case& c : cases) {
    c.guard.reset();  // destroyed through a pointer to the base
    EXPECT_EQ(GetInteger(c.bindingQuery), 0);
  }

  glBindVertexArray(0);
  glDeleteBuffers(4, buffers);
  glDeleteVertexArrays(1, &vertexArray);
}

TEST_F(ScopedGuards, TextureGuardsUnbindTheirTargetOnly) {
  GLuint textures[3] = {};
  glGenTextures(3, textures);
  glBindTexture(GL_TEXTURE_3D, textures[1]);
  {
    std::unique_ptr<ffglex::ScopedTextureBinding> guard =
        std::make_unique<ffglex::Scoped2DTextureBinding>(textures[0]);
    EXPECT_EQ(GetInteger(GL_TEXTURE_BINDING_2D), GLint(textures[0]));
    guard.reset();
    EXPECT_EQ(GetInteger(GL_TEXTURE_BINDING_2D), 0);
    EXPECT_EQ(GetInteger(GL_TEXTURE_BINDING_3D), GLint(textures[1]));
  }
  {
    ffglex::ScopedTextureBinding guard(GL_TEXTURE_3D, textures[2]);
    EXPECT_EQ(GetInteger(GL_TEXTURE_BINDING_3D), GLint(textures[2]));
  }
  EXPECT_EQ(GetInteger(GL_TEXTURE_BINDING_3D), 0);  // 0, not what was bound before
  glDeleteTextures(3, textures);
}

TEST_F(ScopedGuards, NestedProgramUseLeavesNoProgramWhenTheInnerEnds) {
  ffglex::ShaderProgram outer, inner;
  ASSERT_TRUE(outer.Compile(kQuadVertexShader, kTexCoordFragmentShader));
  ASSERT_TRUE(inner.Compile(kQuadVertexShader, kTexCoordFragmentShader));
  {
    ffglex::ScopedProgramUse outerUse(outer.ProgramId());
    {
      ffglex::ScopedProgramUse innerUse(inner.ProgramId());
      EXPECT_EQ(GetInteger(GL_CURRENT_PROGRAM), GLint(inner.ProgramId()));
    }
    EXPECT_EQ(GetInteger(GL_CURRENT_PROGRAM), 0);
  }
  EXPECT_EQ(GetInteger(GL_CURRENT_PROGRAM), 0);
  outer.Release();
  inner.Release();
}

TEST_F(ScopedGuards, TextureUnitGuardLeavesUnitZeroActive) {
  glActiveTexture(GL_TEXTURE2);
  {
    ffglex::ScopedTextureUnit unit(3);
    EXPECT_EQ(GetInteger(GL_ACTIVE_TEXTURE), GL_TEXTURE3);
  }
  EXPECT_EQ(GetInteger(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
}

TEST_F(ScopedGuards, FramebufferGuardRestoresWhatItFoundOnlyInModeOne) {
  glhelpers_test::ColourFramebuffer draw(4, 4), read(4, 4), inner(4, 4);
  const auto bindDistinct = [&] {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, draw.Id());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, read.Id());
  };

  bindDistinct();
  {
    ffglex::ScopedFramebufferBinding guard(inner.Id(), 1);
    EXPECT_EQ(GetInteger(GL_DRAW_FRAMEBUFFER_BINDING), GLint(inner.Id()));
    EXPECT_EQ(GetInteger(GL_READ_FRAMEBUFFER_BINDING), GLint(inner.Id()));
  }
  EXPECT_EQ(GetInteger(GL_DRAW_FRAMEBUFFER_BINDING), GLint(draw.Id()));
  EXPECT_EQ(GetInteger(GL_READ_FRAMEBUFFER_BINDING), GLint(read.Id()));

  for (GLint mode : {0, 2, -1}) {
    SCOPED_TRACE(mode);
    bindDistinct();
    { ffglex::ScopedFramebufferBinding guard(inner.Id(), mode); }
    EXPECT_EQ(GetInteger(GL_DRAW_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(GetInteger(GL_READ_FRAMEBUFFER_BINDING), 0);
  }
}

TEST_F(ScopedGuards, NameZeroBindsZeroAndEndsAtZero) {
  GLuint renderbuffer = 0;
  glGenRenderbuffers(1, &renderbuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
  {
    ffglex::ScopedRenderbufferBinding guard(0);
    EXPECT_EQ(GetInteger(GL_RENDERBUFFER_BINDING), 0);
  }
  EXPECT_EQ(GetInteger(GL_RENDERBUFFER_BINDING), 0);
  glDeleteRenderbuffers(1, &renderbuffer);
}

// The host's unpack state is arbitrary: inside the guard an upload reads
// tightly packed 3-byte pixels from client memory; afterwards the host's
// state is back.
TEST_F(ScopedGuards, PixelUnpackStateReadsTightRowsAndPutsBackWhatItFound) {
  GLuint hostBuffer = 0, texture = 0;
  glGenBuffers(1, &hostBuffer);
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, hostBuffer);
  glBufferData(GL_PIXEL_UNPACK_BUFFER, 4096, nullptr, GL_STREAM_DRAW);
  const GLint hostState[] = {8, 100, 3, 5};
  const GLenum names[] = {GL_UNPACK_ALIGNMENT, GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS,
                          GL_UNPACK_SKIP_PIXELS};
  for (int i = 0; i < 4; ++i) glPixelStorei(names[i], hostState[i]);
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);

  {
    ffglex::ScopedPixelUnpackState unpack;
    const GLint tight[] = {1, 0, 0, 0};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(GetInteger(names[i]), tight[i]) << i;
    EXPECT_EQ(GetInteger(GL_PIXEL_UNPACK_BUFFER_BINDING), 0);

    // Two rows of three RGB pixels, 9 bytes each, one after the other.
    const unsigned char rgb[18] = {10, 11, 12, 20, 21, 22, 30, 31, 32,
                                   40, 41, 42, 50, 51, 52, 60, 61, 62};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 3, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    unsigned char rgba[24] = {};
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    for (int p = 0; p < 6; ++p) {
      for (int c = 0; c < 3; ++c) EXPECT_EQ(rgba[p * 4 + c], rgb[p * 3 + c]) << p << "," << c;
    }
  }
  for (int i = 0; i < 4; ++i) EXPECT_EQ(GetInteger(names[i]), hostState[i]) << i;
  EXPECT_EQ(GetInteger(GL_PIXEL_UNPACK_BUFFER_BINDING), GLint(hostBuffer));

  glBindTexture(GL_TEXTURE_2D, 0);
  glDeleteTextures(1, &texture);
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
  glDeleteBuffers(1, &hostBuffer);
  const GLint defaults[] = {4, 0, 0, 0};
  for (int i = 0; i < 4; ++i) glPixelStorei(names[i], defaults[i]);
}

// After EndScope, whatever the caller binds next survives the guard's
// destruction: the restoring call is made exactly once.
TEST_F(ScopedGuards, EndScopeThenDestructionRestoresOnce) {
  GLuint textures[2] = {}, renderbuffers[2] = {}, vertexArrays[2] = {};
  glGenTextures(2, textures);
  glGenRenderbuffers(2, renderbuffers);
  glGenVertexArrays(2, vertexArrays);
  ffglex::ShaderProgram first, second;
  ASSERT_TRUE(first.Compile(kQuadVertexShader, kTexCoordFragmentShader));
  ASSERT_TRUE(second.Compile(kQuadVertexShader, kTexCoordFragmentShader));
  glhelpers_test::ColourFramebuffer framebufferA(4, 4), framebufferB(4, 4), framebufferC(4, 4);

  {
    ffglex::ScopedTextureUnit unit(4);  // the texture guard below works on unit 4
    ffglex::Scoped2DTextureBinding texture(textures[0]);
    ffglex::ScopedRenderbufferBinding renderbuffer(renderbuffers[0]);
    ffglex::ScopedVertexArrayBinding vertexArray(vertexArrays[0]);
    ffglex::ScopedProgramUse program(first.ProgramId());
    ffglex::ScopedFramebufferBinding framebuffer(framebufferA.Id(), 1);

    texture.EndScope();
    renderbuffer.EndScope();
    vertexArray.EndScope();
    program.EndScope();
    framebuffer.EndScope();
    EXPECT_EQ(GetInteger(GL_TEXTURE_BINDING_2D), 0);
    unit.EndScope();
    EXPECT_EQ(GetInteger(GL_VERTEX_ARRAY_BINDING), 0);
    EXPECT_EQ(GetInteger(GL_ACTIVE_TEXTURE), GL_TEXTURE0);

    glActiveTexture(GL_TEXTURE5);
    glBindTexture(GL_TEXTURE_2D, textures[1]);  // on unit 5, which stays active
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[1]);
    glBindVertexArray(vertexArrays[1]);
    glUseProgram(second.ProgramId());
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebufferB.Id());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebufferC.Id());
    unit.EndScope();  // a second EndScope does nothing either
  }
  EXPECT_EQ(GetInteger(GL_ACTIVE_TEXTURE), GL_TEXTURE5);
  EXPECT_EQ(GetInteger(GL_TEXTURE_BINDING_2D), GLint(textures[1]));
  glActiveTexture(GL_TEXTURE0);
  EXPECT_EQ(GetInteger(GL_RENDERBUFFER_BINDING), GLint(renderbuffers[1]));
  EXPECT_EQ(GetInteger(GL_VERTEX_ARRAY_BINDING), GLint(vertexArrays[1]));
  EXPECT_EQ(GetInteger(GL_CURRENT_PROGRAM), GLint(second.ProgramId()));
  EXPECT_EQ(GetInteger(GL_DRAW_FRAMEBUFFER_BINDING), GLint(framebufferB.Id()));
  EXPECT_EQ(GetInteger(GL_READ_FRAMEBUFFER_BINDING), GLint(framebufferC.Id()));

  glUseProgram(0);
  glBindVertexArray(0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  first.Release();
  second.Release();
  glDeleteVertexArrays(2, vertexArrays);
  glDeleteRenderbuffers(2, renderbuffers);
  glDeleteTextures(2, textures);
}

}  // namespace
