// Sound: SDL_mixer samples and streamed music on numbered channels.
#include "media/internal.h"
#include "media/media.h"

namespace media {

struct sound {
  int kind = 0;
};

sound* loadsound(const std::string&, int) {
  static sound blank;
  return &blank;
}
channel cuesound(sound*) { return 0; }
void setchannelvolume(channel, float) {}
void resumechannel(channel) {}
void stopchannel(channel) {}
bool channelplaying(channel) { return false; }

}  // namespace media
