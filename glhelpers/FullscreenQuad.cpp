#include "glhelpers/FullscreenQuad.h"

#include <cstddef>

#include "glhelpers/ScopedGuards.h"

namespace ffglex {
namespace {

// One vertex as stored in the buffer: texture coordinate first, then the
// clip-space position.
struct QuadVertex {
  float u, v;
  float x, y, z;
};
static_assert(sizeof(QuadVertex) == 20, "QuadVertex layout");

// The two tables differ only in v.
constexpr QuadVertex kBottomLeftOrigin[6] = {
    {0, 1, -1, 1, 0}, {1, 1, 1, 1, 0},   {0, 0, -1, -1, 0},
    {0, 0, -1, -1, 0}, {1, 1, 1, 1, 0},  {1, 0, 1, -1, 0},
};
constexpr QuadVertex kTopLeftOrigin[6] = {
    {0, 0, -1, 1, 0}, {1, 0, 1, 1, 0},   {0, 1, -1, -1, 0},
    {0, 1, -1, -1, 0}, {1, 0, 1, 1, 0},  {1, 1, 1, -1, 0},
};
static_assert(sizeof(kBottomLeftOrigin) == 120, "six vertices");

constexpr GLuint kPositionLocation = 0;
constexpr GLuint kTexCoordLocation = 1;

const void* ByteOffset(std::size_t offset) { return reinterpret_cast<const void*>(offset); }

}  // namespace

bool FullscreenQuad::Initialise(bool topLeftOrigin) {
  // Initialising again replaces the objects rather than leaking them.
  if (vertexArray_ != 0 || vertexBuffer_ != 0) Release();
  glGenVertexArrays(1, &vertexArray_);
  glGenBuffers(1, &vertexBuffer_);
  if (vertexArray_ == 0 || vertexBuffer_ == 0) {
    Release();
    return false;
  }

  ScopedVertexArrayBinding vertexArrayBinding(vertexArray_);
  ScopedVBOBinding bufferBinding(vertexBuffer_);
  glBufferData(GL_ARRAY_BUFFER, sizeof(kBottomLeftOrigin),
               topLeftOrigin ? kTopLeftOrigin : kBottomLeftOrigin, GL_STATIC_DRAW);
  glEnableVertexAttribArray(kPositionLocation);
  glVertexAttribPointer(kPositionLocation, 3, GL_FLOAT, GL_FALSE, sizeof(QuadVertex),
                        ByteOffset(offsetof(QuadVertex, x)));
  glEnableVertexAttribArray(kTexCoordLocation);
  glVertexAttribPointer(kTexCoordLocation, 2, GL_FLOAT, GL_FALSE, sizeof(QuadVertex),
                        ByteOffset(offsetof(QuadVertex, u)));
  bufferBinding.EndScope();  // the buffer first, then the vertex array
  vertexArrayBinding.EndScope();
  return true;
}

void FullscreenQuad::Draw() {
  if (vertexArray_ == 0 || vertexBuffer_ == 0) return;
  ScopedVertexArrayBinding vertexArrayBinding(vertexArray_);
  glDrawArrays(GL_TRIANGLES, 0, 6);
}

void FullscreenQuad::Release() {
  glDeleteBuffers(1, &vertexBuffer_);
  vertexBuffer_ = 0;
  glDeleteVertexArrays(1, &vertexArray_);
  vertexArray_ = 0;
}

}  // namespace ffglex
