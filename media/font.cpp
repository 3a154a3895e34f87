// The TrueType image font: a glyph atlas rasterised by FreeType, text measuring and drawing.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <cmath>
#include <map>
#include <memory>

#include "media/internal.h"
#include "media/media.h"

namespace media {

namespace {
struct glyph {
  float advance = 0;
  int left = 0, top = 0;  // the bitmap's corner relative to the text's top-left at the pen
  int width = 0, height = 0;
  int atlasx = 0, atlasy = 0;
};
}  // namespace

struct font {
  int ascent = 0, descent = 0;  // pixels above and below the baseline (descent negative)
  std::array<glyph, 128> glyphs{};
  textureset atlas;
};

namespace {
FT_Library library = nullptr;
std::map<std::string, std::unique_ptr<font>> fonts;  // by size, style and path, for the whole run
font* current = nullptr;

constexpr int firstchar = 32, lastchar = 126;
constexpr int atlaswidth = 2048;
// Glyphs sit on a grid of this many pixels with as many between them, so that each of the
// first five halvings of the atlas keeps every glyph whole and apart from its neighbours.
constexpr int gap = 32;
constexpr int atlaslevels = 6;

int roundup(int v, int step) {
  return (v + step - 1) / step * step;
}

// The glyph's coverage as bytes 0..255, whether FreeType gave grey levels or single bits.
std::vector<uint8_t> coverage(const FT_Bitmap& bm) {
  std::vector<uint8_t> out(size_t(bm.width) * bm.rows);
  for (unsigned y = 0; y < bm.rows; ++y) {
    const unsigned char* row = bm.buffer + std::ptrdiff_t(y) * bm.pitch;
    for (unsigned x = 0; x < bm.width; ++x) {
      const bool mono = bm.pixel_mode == FT_PIXEL_MODE_MONO;
      out[size_t(y) * bm.width + x] = mono ? ((row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0) : row[x];
    }
  }
  return out;
}

// Lays the rendered glyphs out in rows and draws them into one white atlas whose alpha is the
// coverage.
bitmap packatlas(font& f, const std::array<std::vector<uint8_t>, 128>& shapes) {
  int x = 0, y = 0, rowheight = 0;
  for (int c = firstchar; c <= lastchar; ++c) {
    glyph& g = f.glyphs[c];
    if (g.width == 0) continue;
    if (x + g.width > atlaswidth) {
      x = 0;
      y = roundup(y + rowheight + gap, gap);
      rowheight = 0;
    }
    g.atlasx = x, g.atlasy = y;
    x = roundup(x + g.width + gap, gap);
    rowheight = std::max(rowheight, g.height);
  }
  bitmap atlas;
  atlas.width = atlaswidth;
  atlas.height = roundup(y + rowheight + gap, gap);
  atlas.pixels.assign(size_t(atlas.width) * atlas.height, 0x00FFFFFFu);
  for (int c = firstchar; c <= lastchar; ++c) {
    const glyph& g = f.glyphs[c];
    for (int gy = 0; gy < g.height; ++gy) {
      for (int gx = 0; gx < g.width; ++gx) {
        const uint32_t a = shapes[c][size_t(gy) * g.width + gx];
        atlas.pixels[size_t(g.atlasy + gy) * atlas.width + g.atlasx + gx] = a << 24 | 0x00FFFFFFu;
      }
    }
  }
  return atlas;
}

void rasterise(font& f, FT_Face face, int pixelsize, bool smooth) {
  FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelsize));
  f.ascent = int(face->size->metrics.ascender >> 6);
  f.descent = int(face->size->metrics.descender >> 6);
  const FT_Int32 flags =
      FT_LOAD_RENDER | (smooth ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME);
  std::array<std::vector<uint8_t>, 128> shapes;
  for (int c = firstchar; c <= lastchar; ++c) {
    if (FT_Load_Char(face, FT_ULong(c), flags) != 0) continue;
    const FT_GlyphSlot slot = face->glyph;
    glyph& g = f.glyphs[c];
    g.advance = float(slot->advance.x) / 64.0f;
    g.left = slot->bitmap_left;
    g.top = f.ascent - slot->bitmap_top;
    g.width = int(slot->bitmap.width);
    g.height = int(slot->bitmap.rows);
    shapes[c] = coverage(slot->bitmap);
  }
  f.atlas.build(packatlas(f, shapes), smooth, true, false, atlaslevels);
}

const glyph* glyphof(const font& f, char ch) {
  const auto c = static_cast<unsigned char>(ch);
  return c < f.glyphs.size() ? &f.glyphs[c] : nullptr;
}
}  // namespace

font* loadfont(const std::string& asked, int pixelsize, int style) {
  const std::string path = assetpath(asked);
  const bool smooth = (style & 4) != 0;
  const std::string key = std::to_string(pixelsize) + ":" + std::to_string(smooth) + ":" + path;
  auto found = fonts.find(key);
  if (found != fonts.end()) return found->second.get();
  if (library == nullptr && FT_Init_FreeType(&library) != 0) badfile(path, "cannot start FreeType");
  FT_Face face = nullptr;
  if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
    if (!fileexists(path)) missingfile(path);
    badfile(path, "not a font FreeType can read");
  }
  auto f = std::make_unique<font>();
  rasterise(*f, face, pixelsize > 0 ? pixelsize : 12, smooth);
  FT_Done_Face(face);
  font* result = f.get();
  fonts.emplace(key, std::move(f));
  return result;
}

// Without a font of its own the game has no text: there is no built-in one to fall back on.
void setfont(font* f) {
  current = f;
}

void resetfonts() {
  current = nullptr;
}

void freefonts() {
  current = nullptr;
  fonts.clear();
  if (library != nullptr) FT_Done_FreeType(library);
  library = nullptr;
}

float textwidth(std::string_view text) {
  if (current == nullptr) return 0;
  float width = 0;
  for (char ch : text) {
    if (const glyph* g = glyphof(*current, ch)) width += g->advance;
  }
  return width;
}

float textheight(std::string_view /*the same for every text*/) {
  return current == nullptr ? 0 : float(current->ascent - current->descent);
}

void drawtext(std::string_view text, float x, float y) {
  if (current == nullptr || !drawingvisible()) return;
  textureset& atlas = current->atlas;
  const float aw = float(atlas.width()), ah = float(atlas.height());
  const texturepart part = atlas.pick(aw * std::abs(scalex()), ah * std::abs(scaley()));
  if (part.tex == nullptr) return;
  float pen = 0;
  for (char ch : text) {
    const glyph* g = glyphof(*current, ch);
    if (g == nullptr) continue;
    if (g->width > 0) {
      const float l = pen + float(g->left), t = float(g->top);
      const float r = l + float(g->width), b = t + float(g->height);
      const SDL_FPoint corners[4] = {placed(x, y, l, t), placed(x, y, r, t), placed(x, y, r, b),
                                     placed(x, y, l, b)};
      const float u0 = float(g->atlasx) / aw, v0 = float(g->atlasy) / ah;
      const float u1 = float(g->atlasx + g->width) / aw, v1 = float(g->atlasy + g->height) / ah;
      const SDL_FPoint uv[4] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
      addquad(part.tex, corners, uv);
    }
    pen += g->advance;
  }
}

}  // namespace media
