// What a desktop player expects of the window: taps that last a frame, the mouse, and fullscreen.
#pragma once

namespace media {

// ---- Taps shorter than a frame ----
// A key, place or pad button pressed since the last unlatch counts as held, even when it was
// released again before the game looked: a tap between two snapshots is never lost.
bool keylatched(int key);
bool placelatched(int place);
bool padlatched(int player, int button);
void unlatch();  // after each snapshot; the flushes of keys, places and pads unlatch too

// ---- The mouse ----
namespace mouse {
constexpr int left = 1, middle = 2, right = 3, back = 4;  // SDL's button numbers; back is X1
constexpr int count = 6;
}  // namespace mouse
bool mousemoved();                   // moved since the last call; then false
bool mouseat(float& x, float& y);    // the pointer in the game's own pixels; false outside the picture
int mouseclicks(int button);         // presses since the last call for that button; then 0
int mousewheel();                    // steps up (positive) or down since the last call; then 0
void flushmouse();                   // clears the moves, presses and wheel steps
// Hides the pointer when asked to, or after idlems without a move; any move shows it again.
void pointerrule(bool hide, int idlems);
bool pointershown();

// ---- Fullscreen ----
bool fullscreenasked();         // F11 or Alt+Enter pressed since the last call; then false
void setfullscreen(bool on);    // letterboxed on the desktop's resolution, or back to a window
bool fullscreen();

}  // namespace media
