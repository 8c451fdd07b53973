// Scoped GL binding guards. Each guard makes one binding when it is
// constructed and undoes it exactly once: at EndScope or at destruction,
// whichever comes first. Undoing restores a fixed default (object 0, texture
// unit 0), not what was bound before; only ScopedFramebufferBinding in
// restore mode 1 puts back the framebuffers it found. Use them as locals on
// the thread whose GL context is current.
#pragma once

#include <GL/glew.h>

namespace ffglex {

// Binds a buffer to a buffer target; binds 0 to that target when it ends.
class ScopedBufferBinding {
 public:
  ScopedBufferBinding(GLenum target, GLuint buffer);
  virtual ~ScopedBufferBinding();
  ScopedBufferBinding(const ScopedBufferBinding&) = delete;
  ScopedBufferBinding& operator=(const ScopedBufferBinding&) = delete;

  void EndScope();

 private:
  GLenum target_;
  bool bound_;
};

class ScopedVBOBinding : public ScopedBufferBinding {
 public:
  explicit ScopedVBOBinding(GLuint buffer);
  ~ScopedVBOBinding() override;
};

class ScopedIBOBinding : public ScopedBufferBinding {
 public:
  explicit ScopedIBOBinding(GLuint buffer);
  ~ScopedIBOBinding() override;
};

class ScopedUBOBinding : public ScopedBufferBinding {
 public:
  explicit ScopedUBOBinding(GLuint buffer);
  ~ScopedUBOBinding() override;
};

// Binds a texture to a texture target of the active unit; binds 0 to that
// target when it ends.
class ScopedTextureBinding {
 public:
  ScopedTextureBinding(GLenum target, GLuint texture);
  virtual ~ScopedTextureBinding();
  ScopedTextureBinding(const ScopedTextureBinding&) = delete;
  ScopedTextureBinding& operator=(const ScopedTextureBinding&) = delete;

  void EndScope();

 private:
  GLenum target_;
  bool bound_;
};

class Scoped2DTextureBinding : public ScopedTextureBinding {
 public:
  explicit Scoped2DTextureBinding(GLuint texture);
  ~Scoped2DTextureBinding() override;
};

// Binds a framebuffer for drawing and reading. In restore mode 1 it saves the
// draw and read framebuffers in force and binds them again when it ends; in
// any other mode it binds framebuffer 0 for both.
class ScopedFramebufferBinding {
 public:
  ScopedFramebufferBinding(GLuint framebuffer, GLint restoreMode);
  ~ScopedFramebufferBinding();
  ScopedFramebufferBinding(const ScopedFramebufferBinding&) = delete;
  ScopedFramebufferBinding& operator=(const ScopedFramebufferBinding&) = delete;

  void EndScope();

 private:
  bool bound_;
  GLint restoreMode_;
  GLuint savedDrawFramebuffer_;
  GLuint savedReadFramebuffer_;
};

class ScopedRenderbufferBinding {
 public:
  explicit ScopedRenderbufferBinding(GLuint renderbuffer);
  ~ScopedRenderbufferBinding();
  ScopedRenderbufferBinding(const ScopedRenderbufferBinding&) = delete;
  ScopedRenderbufferBinding& operator=(const ScopedRenderbufferBinding&) = delete;

  void EndScope();

 private:
  bool bound_;
};

// Makes texture unit `unit` (0-based) active; makes unit 0 active when it ends.
class ScopedTextureUnit {
 public:
  explicit ScopedTextureUnit(GLuint unit);
  ~ScopedTextureUnit();
  ScopedTextureUnit(const ScopedTextureUnit&) = delete;
  ScopedTextureUnit& operator=(const ScopedTextureUnit&) = delete;

  void EndScope();

 private:
  bool bound_;
};

class ScopedProgramUse {
 public:
  explicit ScopedProgramUse(GLuint program);
  ~ScopedProgramUse();
  ScopedProgramUse(const ScopedProgramUse&) = delete;
  ScopedProgramUse& operator=(const ScopedProgramUse&) = delete;

  void EndScope();

 private:
  bool bound_;
};

class ScopedVertexArrayBinding {
 public:
  explicit ScopedVertexArrayBinding(GLuint vertexArray);
  ~ScopedVertexArrayBinding();
  ScopedVertexArrayBinding(const ScopedVertexArrayBinding&) = delete;
  ScopedVertexArrayBinding& operator=(const ScopedVertexArrayBinding&) = delete;

  void EndScope();

 private:
  bool bound_;
};

// Makes the pixel-unpack state read tightly packed rows from client memory:
// no unpack buffer, alignment 1, row length and skips 0. Unlike the bindings
// above it puts back exactly what it found, because the host's own uploads
// depend on this state. It saves alignment, row length, skip rows, skip
// pixels and the unpack buffer, and restores them in that same order when
// it is destroyed.
class ScopedPixelUnpackState {
 public:
  ScopedPixelUnpackState();
  ~ScopedPixelUnpackState();
  ScopedPixelUnpackState(const ScopedPixelUnpackState&) = delete;
  ScopedPixelUnpackState& operator=(const ScopedPixelUnpackState&) = delete;

 private:
  GLint alignment_ = 0, rowLength_ = 0, skipRows_ = 0, skipPixels_ = 0, unpackBuffer_ = 0;
};

}  // namespace ffglex
