// A quick-start plugin with one input texture: the fragment body reads it
// through the sampler "inputTexture" at the coordinate "i_uv", which the
// vertex shader limits to the part of the texture that holds the picture.
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
