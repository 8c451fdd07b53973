#include "glhelpers/ScopedGuards.h"

namespace ffglex {

ScopedBufferBinding::ScopedBufferBinding(GLenum target, GLuint buffer)
    : target_(target), bound_(true) {
  glBindBuffer(target_, buffer);
}

ScopedBufferBinding::~ScopedBufferBinding() { EndScope(); }

void ScopedBufferBinding::EndScope() {
  if (!bound_) return;
  glBindBuffer(target_, 0);
  bound_ = false;
}

ScopedVBOBinding::ScopedVBOBinding(GLuint buffer) : ScopedBufferBinding(GL_ARRAY_BUFFER, buffer) {}
ScopedVBOBinding::~ScopedVBOBinding() = default;

ScopedIBOBinding::ScopedIBOBinding(GLuint buffer)
    : ScopedBufferBinding(GL_ELEMENT_ARRAY_BUFFER, buffer) {}
ScopedIBOBinding::~ScopedIBOBinding() = default;

ScopedUBOBinding::ScopedUBOBinding(GLuint buffer) : ScopedBufferBinding(GL_UNIFORM_BUFFER, buffer) {}
ScopedUBOBinding::~ScopedUBOBinding() = default;

ScopedTextureBinding::ScopedTextureBinding(GLenum target, GLuint texture)
    : target_(target), bound_(true) {
  glBindTexture(target_, texture);
}

ScopedTextureBinding::~ScopedTextureBinding() { EndScope(); }

void ScopedTextureBinding::EndScope() {
  if (!bound_) return;
  glBindTexture(target_, 0);
  bound_ = false;
}

Scoped2DTextureBinding::Scoped2DTextureBinding(GLuint texture)
    : ScopedTextureBinding(GL_TEXTURE_2D, texture) {}
Scoped2DTextureBinding::~Scoped2DTextureBinding() = default;

ScopedFramebufferBinding::ScopedFramebufferBinding(GLuint framebuffer, GLint restoreMode)
    : bound_(true), restoreMode_(restoreMode), savedDrawFramebuffer_(0), savedReadFramebuffer_(0) {
  if (restoreMode_ == 1) {
    GLint draw = 0, read = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
    savedDrawFramebuffer_ = static_cast<GLuint>(draw);
    savedReadFramebuffer_ = static_cast<GLuint>(read);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}

ScopedFramebufferBinding::~ScopedFramebufferBinding() { EndScope(); }

void ScopedFramebufferBinding::EndScope() {
  if (!bound_) return;
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, savedDrawFramebuffer_);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, savedReadFramebuffer_);
  bound_ = false;
}

ScopedRenderbufferBinding::ScopedRenderbufferBinding(GLuint renderbuffer) : bound_(true) {
  glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
}

ScopedRenderbufferBinding::~ScopedRenderbufferBinding() { EndScope(); }

void ScopedRenderbufferBinding::EndScope() {
  if (!bound_) return;
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  bound_ = false;
}

ScopedTextureUnit::ScopedTextureUnit(GLuint unit) : bound_(true) {
  glActiveTexture(GL_TEXTURE0 + unit);
}

ScopedTextureUnit::~ScopedTextureUnit() { EndScope(); }

void ScopedTextureUnit::EndScope() {
  if (!bound_) return;
  glActiveTexture(GL_TEXTURE0);
  bound_ = false;
}

ScopedProgramUse::ScopedProgramUse(GLuint program) : bound_(true) { glUseProgram(program); }

ScopedProgramUse::~ScopedProgramUse() { EndScope(); }

void ScopedProgramUse::EndScope() {
  if (!bound_) return;
  glUseProgram(0);
  bound_ = false;
}

ScopedVertexArrayBinding::ScopedVertexArrayBinding(GLuint vertexArray) : bound_(true) {
  glBindVertexArray(vertexArray);
}

ScopedVertexArrayBinding::~ScopedVertexArrayBinding() { EndScope(); }

void ScopedVertexArrayBinding::EndScope() {
  if (!bound_) return;
  glBindVertexArray(0);
  bound_ = false;
}

ScopedPixelUnpackState::ScopedPixelUnpackState() {
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment_);
  glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength_);
  glGetIntegerv(GL_UNPACK_SKIP_ROWS, &skipRows_);
  glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &skipPixels_);
  glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpackBuffer_);

  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
}

ScopedPixelUnpackState::~ScopedPixelUnpackState() {
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment_);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength_);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, skipRows_);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipPixels_);
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(unpackBuffer_));
}

}  // namespace ffglex
