// Sound: SDL_mixer samples on mixer channels and one streamed music track, behind channel numbers.
#include <SDL_mixer.h>

#include <array>
#include <map>
#include <memory>

#include "media/internal.h"
#include "media/media.h"

namespace media {

struct sound {
  std::string path;
  Mix_Chunk* chunk = nullptr;  // a WAV effect, decoded whole
  Mix_Music* music = nullptr;  // an OGG track, streamed
  bool late = false;           // a late sound whose file has not arrived yet
};

namespace {
std::map<std::string, std::unique_ptr<sound>> sounds;  // by path, for the whole run
std::vector<std::string> cuelog;                       // test mode: paths cued since the reset
std::vector<test::cue> requestlog;                     // test mode: every cue asked for, with its frame
std::array<float, 64> volumes{};                       // test mode: the last volume set per slot
bool arrivelate = false;                               // test mode: late sounds as on the page

// Effects overlap freely on this many mixer channels; the streamed track has a slot of its own.
constexpr int mixerchannels = 32;
constexpr int musicslot = mixerchannels;
// A channel number names a slot and the cue that took it, so a number kept after its sound ended
// cannot reach the next sound in the same slot.
constexpr int slotcount = 64;
std::array<channel, slotcount> owner{};
int serial = 0;

bool isstream(const std::string& path) {
  return path.size() >= 4 && SDL_strcasecmp(path.c_str() + path.size() - 4, ".ogg") == 0;
}

// The slot of a channel number that still owns it, or -1.
int slotof(channel ch) {
  if (ch <= 0) return -1;
  const int slot = (ch - 1) % slotcount;
  return owner[slot] == ch ? slot : -1;
}

channel claim(int slot) {
  serial = serial % (0x7FFFFFFF / slotcount - 1) + 1;
  owner[slot] = serial * slotcount + slot + 1;
  return owner[slot];
}

int freeslot() {
  for (int i = 0; i < mixerchannels; ++i) {
    if (Mix_Playing(i) == 0) return i;
  }
  return -1;
}

// Starts the sound silent and pauses it at once, so not even a moment of it is heard early.
channel cueeffect(Mix_Chunk* chunk) {
  const int slot = freeslot();
  if (slot < 0) return 0;  // every channel is busy: this effect is dropped
  Mix_Volume(slot, 0);
  if (Mix_PlayChannel(slot, chunk, 0) < 0) return 0;
  Mix_Pause(slot);
  Mix_Volume(slot, MIX_MAX_VOLUME);
  return claim(slot);
}

channel cuemusic(Mix_Music* music) {
  Mix_VolumeMusic(0);
  if (Mix_PlayMusic(music, 1) < 0) return 0;  // replaces any track still playing
  Mix_PauseMusic();
  Mix_VolumeMusic(MIX_MAX_VOLUME);
  return claim(musicslot);
}
}  // namespace

void opensound() {
  sys.audio = false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
  Mix_Init(MIX_INIT_OGG);
  if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return;  // no audio device: the game runs silently
  }
  Mix_AllocateChannels(mixerchannels);
  sys.audio = true;
}

void closesound() {
  if (sys.audio) {
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
  }
  for (auto& [path, snd] : sounds) {
    if (snd->chunk != nullptr) Mix_FreeChunk(snd->chunk);
    if (snd->music != nullptr) Mix_FreeMusic(snd->music);
  }
  sounds.clear();
  if (sys.audio) Mix_CloseAudio();
  Mix_Quit();
  sys.audio = false;
  owner.fill(0);
}

void resetsound() {
  if (sys.audio) {
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
  }
  owner.fill(0);
  cuelog.clear();
  requestlog.clear();
  arrivelate = false;
}

void latesounds(bool on) {
  arrivelate = on;
}

const std::vector<std::string>& cuedsounds() {
  return cuelog;
}

const std::vector<test::cue>& cuerequests() {
  return requestlog;
}

float lastvolume(channel ch) {
  const int slot = slotof(ch);
  return slot < 0 ? -1.0f : volumes[size_t(slot)];
}

void forgetcuedsounds() {
  cuelog.clear();
  requestlog.clear();
}

namespace {
void decode(sound& snd) {
  if (!sys.audio) return;
  if (isstream(snd.path)) {
    snd.music = Mix_LoadMUS(snd.path.c_str());
  } else {
    snd.chunk = Mix_LoadWAV(snd.path.c_str());
  }
  if (snd.music == nullptr && snd.chunk == nullptr) badfile(snd.path, Mix_GetError());
}

sound* findsound(const std::string& asked, bool mayarrivelater) {
  const std::string path = assetpath(asked);
  auto found = sounds.find(path);
  if (found != sounds.end()) return found->second.get();
  const bool there = fileexists(path);
  // Where every file ships with the game, a late sound missing at the start is as missing as any.
  if (!there && !(mayarrivelater && (filesarrivelate() || arrivelate))) missingfile(path);
  auto snd = std::make_unique<sound>();
  snd->path = path;
  snd->late = !there;
  if (there) decode(*snd);
  sound* result = snd.get();
  sounds.emplace(path, std::move(snd));
  return result;
}
}  // namespace

void openlatesound() {
  if (sys.audio) return;
  opensound();
  for (auto& [path, snd] : sounds) {
    if (!snd->late && snd->chunk == nullptr && snd->music == nullptr) decode(*snd);
  }
}

sound* loadsound(const std::string& asked, int /*flags: effects and tracks play once*/) {
  return findsound(asked, false);
}

sound* loadlatesound(const std::string& asked) {
  return findsound(asked, true);
}

// Looks again for a late sound's file; the page writes a fetched file whole, never in parts.
bool soundready(sound* snd) {
  if (snd == nullptr) return false;
  if (snd->late && fileexists(snd->path)) {
    snd->late = false;
    decode(*snd);
  }
  return !snd->late;
}

channel cuesound(sound* snd) {
  if (snd != nullptr && sys.testing) requestlog.push_back({sys.frames, snd->path});
  if (!soundready(snd) || !sys.audio) return 0;
  const channel ch = snd->music != nullptr ? cuemusic(snd->music) : cueeffect(snd->chunk);
  if (ch != 0 && sys.testing) cuelog.push_back(snd->path);
  return ch;
}

void setchannelvolume(channel ch, float volume) {
  const int slot = slotof(ch);
  if (slot < 0) return;
  volumes[size_t(slot)] = volume;
  const int v = int((volume < 0 ? 0 : volume > 1 ? 1 : volume) * MIX_MAX_VOLUME + 0.5f);
  if (slot == musicslot) {
    Mix_VolumeMusic(v);
  } else {
    Mix_Volume(slot, v);
  }
}

void resumechannel(channel ch) {
  const int slot = slotof(ch);
  if (slot == musicslot) {
    Mix_ResumeMusic();
  } else if (slot >= 0) {
    Mix_Resume(slot);
  }
}

void stopchannel(channel ch) {
  const int slot = slotof(ch);
  if (slot == musicslot) {
    Mix_HaltMusic();
  } else if (slot >= 0) {
    Mix_HaltChannel(slot);
  }
  if (slot >= 0) owner[slot] = 0;
}

bool channelplaying(channel ch) {
  const int slot = slotof(ch);
  if (slot < 0) return false;
  // In test mode a track plays until it is stopped: the dummy device drains it in real time, which
  // would make a headless match's music depend on how fast the machine runs it.
  if (slot == musicslot && sys.testing) return true;
  return slot == musicslot ? Mix_PlayingMusic() != 0 : Mix_Playing(slot) != 0;
}

}  // namespace media
