// The images bodies and particles are drawn with, loaded once by the application.
#pragma once

#include "media/media.h"

namespace flopfist {

struct sprites {
  media::image* limb = nullptr;   // a 280-pixel quad, stretched along each link
  media::image* joint = nullptr;  // a 300-pixel ball
  media::image* spark = nullptr;  // an additive plasma spark
};

}  // namespace flopfist
