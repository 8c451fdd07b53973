// A quick-start plugin with two input textures. Its fragment shader adds
//   uniform sampler2D textureDest;  the host's first input, the destination
//   uniform sampler2D textureSrc;   the second input, the source
//   in vec2 i_uv_dest;              0 to 1 across the layer from the bottom
//   in vec2 i_uv_src;               left, scaled to the picture's part of
//                                   each input
// so the body reads texture(textureDest, i_uv_dest) and texture(textureSrc,
// i_uv_src). Its first parameter (host id 0) is the standard "mixVal", a
// uniform float, the amount the body mixes them by; the author's follow from
// id 1. Its vertex shader's uniforms maxUVDest and maxUVSrc (vec2) do the
// scaling; no parameter may use any of these names (Plugin.h has the rest of
// the contract).
#pragma once

#include <cstdint>

#include "quickstart/Plugin.h"

namespace ffglqs {

class Mixer : public Plugin {
 public:
  explicit Mixer(bool supportTopLeftTextureOrientation);
  ~Mixer() override;

  // Binds the destination on unit 0 and the source on unit 1 and draws;
  // FF_FAIL, drawing nothing, when either input is missing.
  uint32_t Render(const ProcessOpenGLRecord* record) override;
};

}  // namespace ffglqs
