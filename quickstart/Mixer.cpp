#include "quickstart/Mixer.h"

#include "glhelpers/ScopedGuards.h"
#include "quickstart/InputTextures.h"

namespace ffglqs {

namespace {

const char kFragmentHeaderAddition[] =
    "\n\t\tuniform sampler2D textureDest;"
    "\n\t\tuniform sampler2D textureSrc;"
    "\n"
    "\n\t\tin vec2 i_uv_dest;"
    "\n\t\tin vec2 i_uv_src;"
    "\n\t";

// Starts with the version line itself, without a line feed before it.
const char kVertexShader[] =
    "#version 410 core"
    "\n\t\tuniform vec2 maxUVDest;"
    "\n\t\tuniform vec2 maxUVSrc;"
    "\n"
    "\n\t\tlayout( location = 0 ) in vec4 vPosition;"
    "\n\t\tlayout( location = 1 ) in vec2 vUV;"
    "\n"
    "\n\t\tout vec2 i_uv_dest;"
    "\n\t\tout vec2 i_uv_src;"
    "\n"
    "\n\t\tvoid main()"
    "\n\t\t{"
    "\n\t\t\tgl_Position = vPosition;"
    "\n\t\t\ti_uv_dest = vUV * maxUVDest;"
    "\n\t\t\ti_uv_src = vUV * maxUVSrc;"
    "\n\t\t}"
    "\n\t";

static_assert(sizeof kFragmentHeaderAddition - 1 == 109, "mixer header addition length");
static_assert(sizeof kVertexShader - 1 == 310, "mixer vertex shader length");

}  // namespace

Mixer::Mixer(bool supportTopLeftTextureOrientation) : Plugin(supportTopLeftTextureOrientation) {
  SetMinInputs(2);
  SetMaxInputs(2);
  fragmentHeader += kFragmentHeaderAddition;
  vertexShaderSource = kVertexShader;
  AddParam(Param::Create("mixVal"));
}

Mixer::~Mixer() = default;

uint32_t Mixer::Render(const ProcessOpenGLRecord* record) {
  if (!HasInputs(record, 2)) return FF_FAIL;
  const TextureRecord& destination = *record->inputTextures[0];
  const TextureRecord& source = *record->inputTextures[1];

  ffglex::ScopedProgramUse programUse(shader.ProgramId());
  ffglex::ScopedTextureUnit destinationUnit(0);
  ffglex::Scoped2DTextureBinding destinationBinding(destination.Handle);
  ffglex::ScopedTextureUnit sourceUnit(1);
  ffglex::Scoped2DTextureBinding sourceBinding(source.Handle);
  shader.SetUniform("textureDest", 0);
  SetMaxUvUniform(shader, "maxUVDest", destination);
  shader.SetUniform("textureSrc", 1);
  SetMaxUvUniform(shader, "maxUVSrc", source);
  quad.Draw();
  return FF_SUCCESS;
}

}  // namespace ffglqs
