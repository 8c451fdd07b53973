// Two triangles covering all of clip space, each vertex carrying a texture
// coordinate: position at attribute location 0, texture coordinate at 1.
// The quad owns one vertex array and one vertex buffer, created by
// Initialise and freed only by Release (call it with the context current;
// the destructor makes no GL call).
#pragma once

#include <GL/glew.h>

namespace ffglex {

class FullscreenQuad {
 public:
  FullscreenQuad() = default;
  ~FullscreenQuad() = default;
  FullscreenQuad(const FullscreenQuad&) = delete;
  FullscreenQuad& operator=(const FullscreenQuad&) = delete;

  // Creates and fills the GL objects (releasing any it held). With topLeftOrigin
  // false, texture coordinate (0, 0) falls on the bottom-left corner of the
  // viewport; with true, on the top-left. False when GL gave no object name.
  bool Initialise(bool topLeftOrigin);

  // Draws the six vertices with whatever program, textures, framebuffer and
  // viewport the caller has in force; does nothing on an empty quad.
  void Draw();

  // Deletes both GL objects; safe to repeat.
  void Release();

 private:
  GLuint vertexArray_ = 0;
  GLuint vertexBuffer_ = 0;
};

}  // namespace ffglex
