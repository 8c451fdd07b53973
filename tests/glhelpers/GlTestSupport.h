// Shared pieces of the GL suites: a fixture that makes a current 4.1 core
// context (failing with the context's own message when there is none, and
// on any GL error raised before the test and its fixtures are gone), a
// colour framebuffer to draw into and read back, and a counter that swaps a
// GLEW entry point for a counting wrapper while it lives.
#pragma once

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "GlContext.h"

namespace glhelpers_test {

class GlTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    context_ = testgl::CreateCurrentContextWithGlew(error);
    ASSERT_TRUE(context_) << error;
  }
  // Runs after the derived fixtures have released their GL objects.
  ~GlTest() override {
    if (context_) {
      EXPECT_EQ(context_->TakeErrors(), "");
    }
  }

  // For a test that raises a GL error on purpose: what was recorded so far.
  std::string TakeGlErrors() { return context_->TakeErrors(); }

 private:
  std::unique_ptr<testgl::GlContext> context_;
};

inline GLint GetInteger(GLenum name) {
  GLint value = -1;
  glGetIntegerv(name, &value);
  return value;
}

// An RGBA8 colour texture in a framebuffer object; the default framebuffer
// of the test context is never drawn into.
class ColourFramebuffer {
 public:
  ColourFramebuffer(GLsizei width, GLsizei height) : width_(width), height_(height) {
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
  }
  ~ColourFramebuffer() {
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteTextures(1, &texture_);
  }
  ColourFramebuffer(const ColourFramebuffer&) = delete;
  ColourFramebuffer& operator=(const ColourFramebuffer&) = delete;

  GLuint Id() const { return framebuffer_; }

  // Binds it for drawing and reading, sets the viewport to it and clears it.
  void BindAndClear(float r, float g, float b, float a) const {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glViewport(0, 0, width_, height_);
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT);
  }

  // Pixel (x, y) counted from the top-left corner.
  std::array<int, 4> PixelFromTop(GLint x, GLint y) const {
    unsigned char rgba[4] = {};
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glReadPixels(x, height_ - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return {rgba[0], rgba[1], rgba[2], rgba[3]};
  }

 private:
  GLsizei width_, height_;
  GLuint texture_ = 0;
  GLuint framebuffer_ = 0;
};

// Swaps the GLEW entry point `Slot` (for example &__glewCreateShader) for a
// wrapper that counts calls and records what they return, and puts the
// original back when it ends.
template <auto* Slot, typename Fn = std::remove_pointer_t<std::remove_reference_t<decltype(*Slot)>>>
class CallCounter;

template <auto* Slot, typename R, typename... A>
class CallCounter<Slot, R(A...)> {
  using Results = std::conditional_t<std::is_void_v<R>, int, std::vector<R>>;

 public:
  CallCounter() : original_(*Slot) {
    instance_ = this;
    *Slot = &Counting;
  }
  ~CallCounter() {
    *Slot = original_;
    instance_ = nullptr;
  }
  CallCounter(const CallCounter&) = delete;
  CallCounter& operator=(const CallCounter&) = delete;

  int Count() const { return count_; }
  const Results& Returned() const { return results_; }

 private:
  static R Counting(A... args) {
    CallCounter& self = *instance_;
    ++self.count_;
    if constexpr (std::is_void_v<R>) {
      self.original_(args...);
    } else {
      R result = self.original_(args...);
      self.results_.push_back(result);
      return result;
    }
  }

  static inline CallCounter* instance_ = nullptr;
  R (*original_)(A...);
  int count_ = 0;
  Results results_{};
};

// A vertex stage for the fullscreen quad that hands the texture coordinate on.
constexpr const char* kQuadVertexShader = R"(#version 410 core
layout(location = 0) in vec4 position;
layout(location = 1) in vec2 texCoordIn;
out vec2 texCoord;
void main() {
  gl_Position = position;
  texCoord = texCoordIn;
}
)";

// Writes the texture coordinate as red and green.
constexpr const char* kTexCoordFragmentShader = R"(#version 410 core
in vec2 texCoord;
out vec4 fragColour;
void main() { fragColour = vec4(texCoord, 0.0, 1.0); }
)";

}  // namespace glhelpers_test
