#include "quickstart/Effect.h"

#include "glhelpers/ScopedGuards.h"
#include "quickstart/InputTextures.h"

namespace ffglqs {

namespace {

const char kFragmentHeaderAddition[] =
    "\n\t\tin vec2 i_uv;"
    "\n\t\tuniform sampler2D inputTexture;"
    "\n\t";

const char kVertexShader[] =
    "\n\t\t#version 410 core"
    "\n\t\tuniform vec2 maxUV;"
    "\n"
    "\n\t\tlayout( location = 0 ) in vec4 vPosition;"
    "\n\t\tlayout( location = 1 ) in vec2 vUV;"
    "\n"
    "\n\t\tout vec2 i_uv;"
    "\n"
    "\n\t\tvoid main()"
    "\n\t\t{"
    "\n\t\t\tgl_Position = vPosition;"
    "\n\t\t\ti_uv = vUV * maxUV;"
    "\n\t\t}"
    "\n\t";

static_assert(sizeof kFragmentHeaderAddition - 1 == 52, "effect header addition length");
static_assert(sizeof kVertexShader - 1 == 219, "effect vertex shader length");

}  // namespace

Effect::Effect(bool supportTopLeftTextureOrientation) : Plugin(supportTopLeftTextureOrientation) {
  SetMinInputs(1);
  SetMaxInputs(1);
  fragmentHeader += kFragmentHeaderAddition;
  vertexShaderSource = kVertexShader;
}

Effect::~Effect() = default;

uint32_t Effect::Render(const ProcessOpenGLRecord* record) {
  if (!HasInputs(record, 1)) return FF_FAIL;
  const TextureRecord& input = *record->inputTextures[0];

  ffglex::ScopedProgramUse programUse(shader.ProgramId());
  ffglex::ScopedTextureUnit unit(0);
  ffglex::Scoped2DTextureBinding binding(input.Handle);
  shader.SetUniform("inputTexture", 0);
  SetMaxUvUniform(shader, "maxUV", input);
  quad.Draw();
  return FF_SUCCESS;
}

}  // namespace ffglqs
