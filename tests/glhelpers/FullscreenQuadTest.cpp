#include "glhelpers/FullscreenQuad.h"

#include <cmath>

#include "GlTestSupport.h"
#include "glhelpers/ScopedGuards.h"
#include "glhelpers/ShaderProgram.h"

namespace {

using glhelpers_test::CallCounter;
using glhelpers_test::ColourFramebuffer;
using glhelpers_test::GetInteger;

constexpr GLsizei kSize = 64;

class FullscreenQuad : public glhelpers_test::GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(program_.Compile(glhelpers_test::kQuadVertexShader,
                                 glhelpers_test::kTexCoordFragmentShader));
    target_ = std::make_unique<ColourFramebuffer>(kSize, kSize);
  }
  void TearDown() override {
    target_.reset();
    program_.Release();
  }

  void DrawTexCoords(ffglex::FullscreenQuad& quad) {
    target_->BindAndClear(0.0f, 0.0f, 1.0f, 1.0f);
    ffglex::ScopedProgramUse use(program_.ProgramId());
    quad.Draw();
  }

  // The quad's only vertex array records both attributes as float arrays of
  // stride 20; a normalised flag would change nothing visible for floats.
  static void ExpectAttributesAsRecorded() {
    GLuint vertexArray = 0;
    for (GLuint name = 1; name < 64 && vertexArray == 0; ++name) {
      if (glIsVertexArray(name)) vertexArray = name;
    }
    ASSERT_NE(vertexArray, 0u);
    glBindVertexArray(vertexArray);
    struct Expected {
      GLint size;
      GLintptr offset;
    };
    const Expected attributes[2] = {{3, 8}, {2, 0}};
    for (GLuint location = 0; location < 2; ++location) {
      SCOPED_TRACE(testing::Message() << "location " << location);
      const auto get = [location](GLenum name) {
        GLint value = -1;
        glGetVertexAttribiv(location, name, &value);
        return value;
      };
      EXPECT_EQ(get(GL_VERTEX_ATTRIB_ARRAY_ENABLED), GL_TRUE);
      EXPECT_EQ(get(GL_VERTEX_ATTRIB_ARRAY_SIZE), attributes[location].size);
      EXPECT_EQ(get(GL_VERTEX_ATTRIB_ARRAY_TYPE), GL_FLOAT);
      EXPECT_EQ(get(GL_VERTEX_ATTRIB_ARRAY_NORMALIZED), GL_FALSE);
      EXPECT_EQ(get(GL_VERTEX_ATTRIB_ARRAY_STRIDE), 20);
      void* offset = nullptr;
      glGetVertexAttribPointerv(location, GL_VERTEX_ATTRIB_ARRAY_POINTER, &offset);
      EXPECT_EQ(reinterpret_cast<GLintptr>(offset), attributes[location].offset);
    }
    glBindVertexArray(0);
  }

  // The 8-bit value expected at the centre of pixel `index` of kSize.
  static int Centre(int index) { return int(std::lround((index + 0.5) / kSize * 255.0)); }

  ffglex::ShaderProgram program_;
  std::unique_ptr<ColourFramebuffer> target_;
};

TEST_F(FullscreenQuad, BottomLeftOriginPutsVOneAtTheTop) {
  ffglex::FullscreenQuad quad;
  ASSERT_TRUE(quad.Initialise(false));
  EXPECT_EQ(GetInteger(GL_VERTEX_ARRAY_BINDING), 0);
  EXPECT_EQ(GetInteger(GL_ARRAY_BUFFER_BINDING), 0);

  ExpectAttributesAsRecorded();

  DrawTexCoords(quad);
  EXPECT_EQ(GetInteger(GL_VERTEX_ARRAY_BINDING), 0);
  EXPECT_EQ(GetInteger(GL_ARRAY_BUFFER_BINDING), 0);

  const auto topLeft = target_->PixelFromTop(0, 0);
  const auto bottomLeft = target_->PixelFromTop(0, kSize - 1);
  const auto topRight = target_->PixelFromTop(kSize - 1, 0);
  EXPECT_NEAR(topLeft[0], Centre(0), 1);  // u = 0
  EXPECT_NEAR(topLeft[1], Centre(kSize - 1), 1);  // v = 1
  EXPECT_NEAR(bottomLeft[0], Centre(0), 1);
  EXPECT_NEAR(bottomLeft[1], Centre(0), 1);  // v = 0
  EXPECT_NEAR(topRight[0], Centre(kSize - 1), 1);
  EXPECT_EQ(topLeft[2], 0);  // covered: the blue clear colour is gone
  // Both triangles cover: a pixel on either side of the diagonal.
  EXPECT_EQ(target_->PixelFromTop(kSize - 1, kSize - 1)[2], 0);
  EXPECT_EQ(target_->PixelFromTop(kSize / 4, kSize / 4)[2], 0);
  quad.Release();
}

TEST_F(FullscreenQuad, TopLeftOriginPutsVZeroAtTheTop) {
  ffglex::FullscreenQuad quad;
  ASSERT_TRUE(quad.Initialise(true));
  DrawTexCoords(quad);
  const auto topLeft = target_->PixelFromTop(0, 0);
  const auto bottomRight = target_->PixelFromTop(kSize - 1, kSize - 1);
  EXPECT_NEAR(topLeft[0], Centre(0), 1);
  EXPECT_NEAR(topLeft[1], Centre(0), 1);  // v = 0
  EXPECT_NEAR(bottomRight[0], Centre(kSize - 1), 1);
  EXPECT_NEAR(bottomRight[1], Centre(kSize - 1), 1);
  quad.Release();
}

TEST_F(FullscreenQuad, EmptyQuadDrawsNothingAndReleaseRepeats) {
  ffglex::FullscreenQuad quad;
  {
    CallCounter<&__glewBindVertexArray> bindVertexArray;
    DrawTexCoords(quad);  // never initialised
    EXPECT_EQ(bindVertexArray.Count(), 0);
  }
  EXPECT_EQ(target_->PixelFromTop(0, 0)[2], 255);

  ASSERT_TRUE(quad.Initialise(false));
  quad.Release();
  quad.Release();
  {
    CallCounter<&__glewBindVertexArray> bindVertexArray;
    DrawTexCoords(quad);
    EXPECT_EQ(bindVertexArray.Count(), 0);
  }
  EXPECT_EQ(target_->PixelFromTop(0, 0)[2], 255);
}

// Initialising again replaces the objects instead of leaking them, and
// Release leaves no vertex array or buffer behind.
TEST_F(FullscreenQuad, ReinitialiseAndReleaseLeaveNoObjects) {
  const auto liveObjects = [] {
    int count = 0;
    for (GLuint name = 1; name < 64; ++name) count += glIsVertexArray(name) + glIsBuffer(name);
    return count;
  };
  ASSERT_EQ(liveObjects(), 0);
  ffglex::FullscreenQuad quad;
  ASSERT_TRUE(quad.Initialise(false));
  EXPECT_EQ(liveObjects(), 2);
  ASSERT_TRUE(quad.Initialise(true));
  EXPECT_EQ(liveObjects(), 2);
  DrawTexCoords(quad);
  EXPECT_NEAR(target_->PixelFromTop(0, 0)[1], Centre(0), 1);  // the new table is in use
  quad.Release();
  EXPECT_EQ(liveObjects(), 0);
}

}  // namespace
