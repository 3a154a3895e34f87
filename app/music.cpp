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
  playtrack();
}

// The current track from its start; in the browser it may not have arrived yet, and the match
// then plays in silence until it does.
void fightgame::playtrack() {
  media::sound* track = art.music[size_t(music.track)];
  music.waiting = !media::soundready(track);
  music.channel = music.waiting ? 0 : media::cuesound(track);
  media::setchannelvolume(music.channel, float(settings.musicvolume) / 10.0f);
  media::resumechannel(music.channel);
}

// Chains the next track when the current one has ended, so a long match never falls silent, and
// starts a track that has just arrived.
void fightgame::updatemusic() {
  if (settings.musicvolume <= 0) return;
  if (music.waiting) {
    if (media::soundready(art.music[size_t(music.track)])) playtrack();
    return;
  }
  if (music.channel != 0 && !media::channelplaying(music.channel)) {
    media::stopchannel(music.channel);
    startmusic();
  }
}

void fightgame::stopmusic() {
  music.waiting = false;
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
