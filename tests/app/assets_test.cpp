// Checks of the generated assets: image formats and sizes, how the ball and spark look when
// drawn, sound formats and levels, and the music tracks' format and length.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace {

using bytes = std::vector<unsigned char>;

bytes readasset(const std::string& relative) {
  std::ifstream in(flopfist::testing::assetdir() + "/" + relative, std::ios::binary);
  return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t be32(const bytes& b, std::size_t at) {
  return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 |
         std::uint32_t(b[at + 2]) << 8 | b[at + 3];
}
std::uint32_t le16(const bytes& b, std::size_t at) {
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8;
}
std::uint32_t le32(const bytes& b, std::size_t at) {
  return le16(b, at) | le16(b, at + 2) << 16;
}
std::uint64_t le64(const bytes& b, std::size_t at) {
  return le32(b, at) | std::uint64_t(le32(b, at + 4)) << 32;
}
bool tagat(const bytes& b, std::size_t at, const std::string& tag) {
  if (b.size() < at + tag.size()) return false;
  for (std::size_t i = 0; i < tag.size(); ++i)
    if (b[at + i] != static_cast<unsigned char>(tag[i])) return false;
  return true;
}

TEST(AssetFiles, ImagesAreRgbaPngsOfTheirSizes) {
  struct expected {
    const char* name;
    std::uint32_t width, height;
  };
  for (const expected& e :
       {expected{"quad280.png", 280, 280}, expected{"ballimage280.png", 280, 280},
        expected{"205275.png", 205, 275}, expected{"spark.png", 0, 0}}) {
    SCOPED_TRACE(e.name);
    const bytes png = readasset(std::string("images/") + e.name);
    ASSERT_GE(png.size(), 33u);
    EXPECT_TRUE(tagat(png, 0, "\x89PNG\r\n\x1a\n"));
    EXPECT_TRUE(tagat(png, 12, "IHDR"));
    EXPECT_EQ(png[24], 8);  // bits per channel
    EXPECT_EQ(png[25], 6);  // RGBA
    if (e.width) {
      EXPECT_EQ(be32(png, 16), e.width);
      EXPECT_EQ(be32(png, 20), e.height);
    } else {  // the spark: small and square
      EXPECT_EQ(be32(png, 16), be32(png, 20));
      EXPECT_GE(be32(png, 16), 8u);
      EXPECT_LE(be32(png, 16), 64u);
    }
  }
}

struct wavinfo {
  std::uint32_t format = 0, channels = 0, rate = 0, bits = 0;
  std::vector<int> samples;
};

wavinfo readwav(const std::string& relative) {
  const bytes b = readasset(relative);
  wavinfo w;
  if (!tagat(b, 0, "RIFF") || !tagat(b, 8, "WAVE")) return w;
  for (std::size_t at = 12; at + 8 <= b.size();) {
    const std::uint32_t size = le32(b, at + 4);
    if (tagat(b, at, "fmt ") && size >= 16) {
      w.format = le16(b, at + 8);
      w.channels = le16(b, at + 10);
      w.rate = le32(b, at + 12);
      w.bits = le16(b, at + 22);
    } else if (tagat(b, at, "data")) {
      for (std::size_t i = at + 8; i + 1 < at + 8 + size && i + 1 < b.size(); i += 2)
        w.samples.push_back(static_cast<std::int16_t>(le16(b, i)));
    }
    at += 8 + size + (size & 1);
  }
  return w;
}

int peak(const std::vector<int>& samples) {
  int top = 0;
  for (int s : samples) top = std::max(top, std::abs(s));
  return top;
}

TEST(AssetFiles, SoundsAreShortMonoPcmBelowFullScale) {
  const wavinfo blow = readwav("sounds/blow.wav"), block = readwav("sounds/block.wav");
  for (const wavinfo* w : {&blow, &block}) {
    EXPECT_EQ(w->format, 1u);
    EXPECT_EQ(w->channels, 1u);
    EXPECT_EQ(w->rate, 44100u);
    EXPECT_EQ(w->bits, 16u);
    ASSERT_FALSE(w->samples.empty());
    EXPECT_LT(peak(w->samples), 32000);  // no clipping
    EXPECT_GT(peak(w->samples), 8000);   // clearly audible
    // Starting and ending on silence: no click when played or cut.
    EXPECT_LT(std::abs(w->samples.front()), 300);
    EXPECT_LT(std::abs(w->samples.back()), 300);
  }
  const double blowms = blow.samples.size() * 1000.0 / 44100.0,
               blockms = block.samples.size() * 1000.0 / 44100.0;
  EXPECT_GE(blowms, 150.0);
  EXPECT_LE(blowms, 250.0);
  EXPECT_GE(blockms, 100.0);
  EXPECT_LE(blockms, 150.0);
  EXPECT_LT(peak(block.samples), peak(blow.samples));  // the block is the softer of the two
}

TEST(AssetFiles, MusicTracksAreDistinctStereoVorbisOfAMinuteOrMore) {
  std::vector<bytes> tracks;
  for (int k = 1; k <= 4; ++k) {
    SCOPED_TRACE(k);
    tracks.push_back(readasset("music/tt" + std::to_string(k) + ".ogg"));
    const bytes& ogg = tracks.back();
    ASSERT_GT(ogg.size(), 1000u);
    ASSERT_TRUE(tagat(ogg, 0, "OggS"));
    // The first page holds the Vorbis identification header right after its segment table.
    const std::size_t packet = 27 + ogg[26];
    ASSERT_TRUE(tagat(ogg, packet, "\x01vorbis"));
    EXPECT_EQ(ogg[packet + 11], 2);  // channels
    const std::uint32_t rate = le32(ogg, packet + 12);
    EXPECT_EQ(rate, 44100u);
    // The last page's granule position counts the samples of the whole track.
    std::size_t last = ogg.size() - 4;
    while (last > 0 && !tagat(ogg, last, "OggS")) --last;
    ASSERT_LE(last + 27, ogg.size());
    const double seconds = static_cast<double>(le64(ogg, last + 6)) / rate;
    EXPECT_GE(seconds, 60.0);
    EXPECT_LE(seconds, 120.0);
  }
  for (std::size_t i = 0; i < tracks.size(); ++i)
    for (std::size_t j = i + 1; j < tracks.size(); ++j)
      EXPECT_NE(tracks[i], tracks[j]) << i + 1 << " and " << j + 1;
}

class assetdrawing : public flopfist::testing::gametest {};

int grey(const media::test::frame& f, int x, int y) {
  return (f.r(x, y) + f.g(x, y) + f.b(x, y)) / 3;
}

// Drawn as the game draws them: the quad solid white, the ball lit from the upper left with a
// light rim and nothing outside its disc, the spark bright in the middle and black at its edge.
TEST_F(assetdrawing, QuadBallAndSparkLookAsTheGameNeeds) {
  media::setimageflags(7);
  media::image* quad = media::loadimage("images/quad280.png");
  media::image* ball = media::loadimage("images/ballimage280.png");
  media::image* spark = media::loadimage("images/spark.png");
  ASSERT_NE(quad, nullptr);
  ASSERT_NE(ball, nullptr);
  ASSERT_NE(spark, nullptr);
  media::midhandle(quad);
  media::midhandle(ball);
  media::opengraphics(1024, 768, 0, 60);
  media::cls();
  media::setblend(media::blend::alpha);
  media::drawimage(quad, 700, 384);
  media::drawimage(ball, 300, 384);
  media::setblend(media::blend::light);
  media::drawimage(spark, 100, 100);
  const media::test::frame f = media::test::backbuffer();

  for (auto [x, y] : {std::pair{700, 384}, {700 - 135, 384 - 135}, {700 + 135, 384 + 135}})
    EXPECT_EQ(grey(f, x, y), 255);

  const int centre = grey(f, 300, 384), upperleft = grey(f, 300 - 70, 384 - 70),
            lowerright = grey(f, 300 + 70, 384 + 70);
  EXPECT_GT(centre, 200);
  EXPECT_GT(upperleft, lowerright);
  EXPECT_GT(lowerright, 120);                   // still light enough to carry a tint
  EXPECT_GT(grey(f, 300 + 136, 384), 100);      // the rim itself
  EXPECT_EQ(grey(f, 300 - 132, 384 - 132), 0);  // the box corner outside the disc
  EXPECT_EQ(grey(f, 300 + 132, 384 + 132), 0);

  const int half = media::imagewidth(spark) / 2;
  EXPECT_GT(grey(f, 100 + half, 100 + half), 180);
  EXPECT_LT(grey(f, 100, 100), 20);
}

}  // namespace
