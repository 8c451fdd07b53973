// A quick-start plugin with one input texture. Its fragment shader adds
//   in vec2 i_uv;                    0 to 1 across the layer from the bottom
//                                    left, scaled to the part of the input
//                                    that holds the picture
//   uniform sampler2D inputTexture;  the host's input
// so the body reads the input as texture(inputTexture, i_uv). Its vertex
// shader's uniform maxUV (vec2) does that scaling; no parameter may use
// any of these names (Plugin.h has the rest of the contract).
#pragma once

#include <cstdint>

#include "quickstart/Plugin.h"

namespace ffglqs {

class Effect : public Plugin {
 public:
  explicit Effect(bool supportTopLeftTextureOrientation);
  ~Effect() override;

  // Binds the first input on unit 0 and draws; FF_FAIL, drawing nothing,
  // when the record holds no first input.
  uint32_t Render(const ProcessOpenGLRecord* record) override;
};

}  // namespace ffglqs
