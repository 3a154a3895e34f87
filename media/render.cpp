// The drawing state and the batcher that turns images, text, lines and rectangles into geometry.
#include <array>
#include <cmath>
#include <numbers>

#include "media/internal.h"
#include "media/media.h"

namespace media {

namespace {
struct drawingstate {
  Uint8 r = 255, g = 255, b = 255;
  float alpha = 1;
  int blend = blend::solid;
  float rotation = 0, sx = 1, sy = 1;
  float linewidth = 1;
  float ix = 1, iy = 0, jx = 0, jy = 1;  // the rotation and scale as a matrix
};
drawingstate ds;

// Quads gather here while texture and blend stay the same; a change, a full buffer or the
// present sends them to the renderer as one geometry call.
constexpr int maxquads = 16384;
std::array<SDL_Vertex, maxquads * 4> vertices;
std::array<int, maxquads * 6> indices;
// SDL's software renderer turns two triangles forming an upright rectangle into a rectangle copy,
// which ignores the blend mode; a degenerate triangle between the two keeps them triangles.
std::array<int, maxquads * 9> softwareindices;
bool indicesready = false;
int quadcount = 0;
SDL_Texture* batchtexture = nullptr;
SDL_BlendMode batchblend = SDL_BLENDMODE_NONE;
int batchgeneration = -1;

SDL_BlendMode sdlblend(int mode) {
  switch (mode) {
    case blend::mask:  // the texture is an alpha-binarised copy, so blending keeps or drops
    case blend::alpha:
      return SDL_BLENDMODE_BLEND;
    case blend::light:
      return SDL_BLENDMODE_ADD;
    case blend::shade:
      return SDL_BLENDMODE_MOD;
    default:
      return SDL_BLENDMODE_NONE;
  }
}

void makeindices() {
  for (int q = 0; q < maxquads; ++q) {
    const int v = q * 4;
    const int i = q * 6;
    indices[i] = v, indices[i + 1] = v + 1, indices[i + 2] = v + 2;
    indices[i + 3] = v, indices[i + 4] = v + 2, indices[i + 5] = v + 3;
    const int j = q * 9;
    softwareindices[j] = v, softwareindices[j + 1] = v + 1, softwareindices[j + 2] = v + 2;
    softwareindices[j + 3] = v, softwareindices[j + 4] = v, softwareindices[j + 5] = v;
    softwareindices[j + 6] = v, softwareindices[j + 7] = v + 2, softwareindices[j + 8] = v + 3;
  }
  indicesready = true;
}

void updatematrix() {
  const double r = double(ds.rotation) * std::numbers::pi / 180.0;
  const float c = float(std::cos(r)), s = float(std::sin(r));
  ds.ix = c * ds.sx;
  ds.iy = -s * ds.sy;
  ds.jx = s * ds.sx;
  ds.jy = c * ds.sy;
}

// A solid quad of the current colour from the white texture.
void addsolid(const SDL_FPoint corners[4]) {
  const texturepart white = whitepart();
  const SDL_FPoint uv{white.u0, white.v0};
  const SDL_FPoint uvs[4] = {uv, uv, uv, uv};
  if (white.tex != nullptr) addquad(white.tex, corners, uvs);
}
// The software renderer samples textures in triangles with a creeping error (a pixel in every 30
// or so); upright quads go through its exact rectangle copy instead. Only tests use it.
bool softwarecopy(const SDL_Vertex* v) {
  const bool upright = v[0].position.x == v[3].position.x && v[1].position.x == v[2].position.x &&
                       v[0].position.y == v[1].position.y && v[2].position.y == v[3].position.y &&
                       v[1].position.x > v[0].position.x && v[3].position.y > v[0].position.y;
  const SDL_FPoint* uv = &v[0].tex_coord;
  const bool solid = v[0].tex_coord.x == v[2].tex_coord.x && v[0].tex_coord.y == v[2].tex_coord.y;
  const bool straight =
      v[0].tex_coord.x == v[3].tex_coord.x && v[1].tex_coord.x == v[2].tex_coord.x &&
      v[0].tex_coord.y == v[1].tex_coord.y && v[2].tex_coord.y == v[3].tex_coord.y &&
      v[1].tex_coord.x > uv->x && v[3].tex_coord.y > uv->y;
  if (!upright || !(solid || straight)) return false;
  flushbatch();
  int w = 0, h = 0;
  SDL_QueryTexture(batchtexture, nullptr, nullptr, &w, &h);
  // A solid quad takes the one texel under its texture coordinate.
  const SDL_Rect src =
      solid ? SDL_Rect{int(uv->x * float(w)), int(uv->y * float(h)), 1, 1}
            : SDL_Rect{int(std::lround(uv->x * float(w))), int(std::lround(uv->y * float(h))),
                       int(std::lround((v[2].tex_coord.x - uv->x) * float(w))),
                       int(std::lround((v[2].tex_coord.y - uv->y) * float(h)))};
  const SDL_FRect dst{v[0].position.x, v[0].position.y, v[2].position.x - v[0].position.x,
                      v[2].position.y - v[0].position.y};
  SDL_SetTextureColorMod(batchtexture, v[0].color.r, v[0].color.g, v[0].color.b);
  SDL_SetTextureAlphaMod(batchtexture, v[0].color.a);
  SDL_SetTextureBlendMode(batchtexture, batchblend);
  SDL_RenderCopyF(sys.renderer, batchtexture, &src, &dst);
  ++sys.drawcalls;
  SDL_SetTextureColorMod(batchtexture, 255, 255, 255);
  SDL_SetTextureAlphaMod(batchtexture, 255);
  return true;
}
}  // namespace

void addquad(SDL_Texture* tex, const SDL_FPoint corners[4], const SDL_FPoint uv[4]) {
  if (!drawingvisible() || sys.renderer == nullptr) return;
  const SDL_BlendMode mode = sdlblend(ds.blend);
  if (quadcount == maxquads || tex != batchtexture || mode != batchblend ||
      batchgeneration != sys.generation) {
    flushbatch();
    batchtexture = tex;
    batchblend = mode;
    batchgeneration = sys.generation;
  }
  const bool blended = ds.blend == blend::alpha || ds.blend == blend::light;
  const SDL_Color colour{ds.r, ds.g, ds.b,
                         Uint8(blended && ds.alpha < 1 ? ds.alpha * 255.0f + 0.5f : 255)};
  SDL_Vertex* v = &vertices[size_t(quadcount) * 4];
  for (int i = 0; i < 4; ++i) v[i] = SDL_Vertex{corners[i], colour, uv[i]};
  if (sys.software) {
    // The software renderer truncates positions to whole pixels; rounding instead makes it cover
    // the pixels whose centres the quad covers, as the OpenGL driver does.
    for (int i = 0; i < 4; ++i) {
      v[i].position.x = std::floor(v[i].position.x + 0.5f);
      v[i].position.y = std::floor(v[i].position.y + 0.5f);
    }
    if (softwarecopy(v)) return;
  }
  ++quadcount;
}

void flushbatch() {
  if (quadcount == 0) return;
  if (sys.renderer != nullptr && batchgeneration == sys.generation) {
    if (!indicesready) makeindices();
    SDL_SetTextureBlendMode(batchtexture, batchblend);
    ++sys.drawcalls;
    if (sys.software) {
      SDL_RenderGeometry(sys.renderer, batchtexture, vertices.data(), quadcount * 4,
                         softwareindices.data(), quadcount * 9);
    } else {
      SDL_RenderGeometry(sys.renderer, batchtexture, vertices.data(), quadcount * 4, indices.data(),
                         quadcount * 6);
    }
  }
  quadcount = 0;
}

// Drawing queued before a clear would be wiped anyway.
void discardbatch() {
  quadcount = 0;
}

bool drawingvisible() {
  return ds.alpha > 0 && !sys.blind;
}
float scalex() {
  return ds.sx;
}
float scaley() {
  return ds.sy;
}

SDL_Texture* batchingtexture() {
  return batchtexture;
}

void resetdrawing() {
  ds = drawingstate{};
  quadcount = 0;
}

void setcolor(int r, int g, int b) {
  auto byte = [](int v) { return Uint8(v < 0 ? 0 : v > 255 ? 255 : v); };
  ds.r = byte(r), ds.g = byte(g), ds.b = byte(b);
}
void setalpha(float a) {
  ds.alpha = a > 1 ? 1 : a;
}
void setblend(int mode) {
  ds.blend = mode;
}
void setrotation(float degrees) {
  ds.rotation = degrees;
  updatematrix();
}
void setscale(float sx, float sy) {
  ds.sx = sx, ds.sy = sy;
  updatematrix();
}
void setlinewidth(float w) {
  ds.linewidth = w;
}
int getblend() {
  return ds.blend;
}
float getalpha() {
  return ds.alpha;
}

point transformpoint(float x, float y, float vx, float vy) {
  return {x + vx * ds.ix + vy * ds.iy, y + vx * ds.jx + vy * ds.jy};
}

SDL_FPoint placed(float x, float y, float vx, float vy) {
  const point p = transformpoint(x, y, vx, vy);
  return {p.x, p.y};
}

void drawrect(float x, float y, float w, float h) {
  const SDL_FPoint corners[4] = {placed(x, y, 0, 0), placed(x, y, w, 0), placed(x, y, w, h),
                                 placed(x, y, 0, h)};
  addsolid(corners);
}

// A line is a quad of the line width around the segment between the centres of its end pixels,
// reaching half a pixel past the first and, with the last pixel, past the last as well.
void drawline(float x1, float y1, float x2, float y2, bool lastpixel) {
  const point end = transformpoint(x1, y1, x2 - x1, y2 - y1);
  const float ax = x1 + 0.5f, ay = y1 + 0.5f, bx = end.x + 0.5f, by = end.y + 0.5f;
  const float dx = bx - ax, dy = by - ay;
  const float length = std::sqrt(dx * dx + dy * dy);
  const float half = ds.linewidth / 2;
  if (length < 1e-6f) {
    if (!lastpixel) return;
    const SDL_FPoint square[4] = {{ax - half, ay - half},
                                  {ax + half, ay - half},
                                  {ax + half, ay + half},
                                  {ax - half, ay + half}};
    addsolid(square);
    return;
  }
  const float ux = dx / length, uy = dy / length;
  const float nx = -uy * half, ny = ux * half;
  const float sx = ax - ux * 0.5f, sy = ay - uy * 0.5f;
  const float reach = lastpixel ? 0.5f : -0.5f;
  const float ex = bx + ux * reach, ey = by + uy * reach;
  const SDL_FPoint corners[4] = {
      {sx + nx, sy + ny}, {ex + nx, ey + ny}, {ex - nx, ey - ny}, {sx - nx, sy - ny}};
  addsolid(corners);
}

void plot(float x, float y) {
  const SDL_FPoint corners[4] = {{x, y}, {x + 1, y}, {x + 1, y + 1}, {x, y + 1}};
  addsolid(corners);
}

}  // namespace media
