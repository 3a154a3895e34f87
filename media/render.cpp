// The drawing state and the batcher that turns images, lines and rectangles into geometry.
#include <cmath>

#include "media/internal.h"
#include "media/media.h"

namespace media {

namespace {
float alpha = 1;
int blendmode = blend::solid;
}  // namespace

void setcolor(int, int, int) {}
void setalpha(float a) { alpha = a; }
void setblend(int mode) { blendmode = mode; }
void setrotation(float) {}
void setscale(float, float) {}
void setlinewidth(float) {}
int getblend() { return blendmode; }
float getalpha() { return alpha; }
void drawimage(image*, float, float, int) {}
void drawrect(float, float, float, float) {}
void drawline(float, float, float, float, bool) {}
void plot(float, float) {}
point transformpoint(float x, float y, float, float) { return {x, y}; }

}  // namespace media
