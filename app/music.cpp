// Music rotation during matches and the two sound effects.
#include "app/fightgame.h"
#include "media/media.h"

namespace flopfist {

namespace {
int nexttrack(int track) { return track + 1 > 4 ? 1 : track + 1; }
}  // namespace

void fightgame::startmusic() {
  if (settings.musicvolume <= 0) return;
  music.track = nexttrack(music.track);
  music.channel = media::cuesound(art.music[size_t(music.track)]);
  media::setchannelvolume(music.channel, float(settings.musicvolume) / 10.0f);
  media::resumechannel(music.channel);
}

// Chains the next track when the current one has ended, so a long match never falls silent.
void fightgame::updatemusic() {
  if (settings.musicvolume <= 0) return;
  if (music.channel != 0 && !media::channelplaying(music.channel)) {
    media::stopchannel(music.channel);
    startmusic();
  }
}

void fightgame::stopmusic() {
  if (music.channel != 0) media::stopchannel(music.channel);
}

void fightgame::playeffect(media::sound* snd) {
  if (settings.soundsvolume <= 0) return;
  const media::channel ch = media::cuesound(snd);
  media::setchannelvolume(ch, float(settings.soundsvolume) / 10.0f);
  media::resumechannel(ch);
}

void fightgame::playsounds(const matchevents& ev) {
  for (int k = 0; k < ev.soundcount; ++k) {
    playeffect(ev.sounds[size_t(k)] == sound::blow ? art.blowsound : art.blocksound);
  }
}

}  // namespace flopfist
