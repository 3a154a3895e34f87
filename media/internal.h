// Private state shared by the media layer's source files; nothing outside media/ includes it.
#pragma once

namespace media {

void resetrandom();
void setfailnextsave();
void resetfiles();

}  // namespace media
