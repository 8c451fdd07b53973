// A quick-start plugin without input textures: the fragment body gets the
// coordinate "i_uv" only. It draws with Plugin's default Render and never
// reads the record's inputs.
#pragma once

#include "quickstart/Plugin.h"

namespace ffglqs {

class Source : public Plugin {
 public:
  explicit Source(bool supportTopLeftTextureOrientation);
  ~Source() override;
};

}  // namespace ffglqs
