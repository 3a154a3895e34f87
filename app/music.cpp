// Music rotation during matches and the two sound effects.
#include "app/fightgame.h"
#include "media/media.h"

namespace flopfist {

namespace {
int nexttrack(int track) { return track + 1 > 4 ? 1 : track + 1; }
}  // namespace

void fightgame::startmusic() {
  if (musicvolume <= 0) return;
  musictrack = nexttrack(musictrack);
  musicchannel = media::cuesound(musictracks[musictrack]);
  media::setchannelvolume(musicchannel, float(musicvolume) / 10.0f);
  media::resumechannel(musicchannel);
}

// Chains the next track when the current one has ended, so a long match never falls silent.
void fightgame::updatemusic() {
  if (musicvolume <= 0) return;
  if (musicchannel != 0 && !media::channelplaying(musicchannel)) {
    media::stopchannel(musicchannel);
    startmusic();
  }
}

void fightgame::stopmusic() {
  if (musicchannel != 0) media::stopchannel(musicchannel);
}

void fightgame::playeffect(media::sound* snd) {
  if (soundsvolume <= 0) return;
  const media::channel ch = media::cuesound(snd);
  media::setchannelvolume(ch, float(soundsvolume) / 10.0f);
  media::resumechannel(ch);
}

}  // namespace flopfist
