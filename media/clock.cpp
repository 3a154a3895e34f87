// Time: the monotonic millisecond counter, delay and precise sleeping; virtual in test mode.
#include <time.h>

#include "media/internal.h"
#include "media/media.h"

namespace media {

namespace {
double startms = -1;

double monotonicms() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}
}  // namespace

double realms() {
  if (startms < 0) startms = monotonicms();
  return monotonicms() - startms;
}

double realstart() {
  realms();
  return startms;
}

void resetclock() {
  sys.virtualbase = 0;
  sys.virtualframes = 0;
}

double virtualclock() {
  return sys.virtualbase + double(sys.virtualframes) * 1000.0 / double(sys.hz);
}

void virtualpresent() {
  ++sys.virtualframes;
}

void virtualrate(int hz) {
  sys.virtualbase = virtualclock();
  sys.virtualframes = 0;
  sys.hz = hz;
}

int millisecs() {
  if (sys.testing) return int(virtualclock());
  const double elapsed = realms();
  // Counted from the machine's uptime (folded to 30 bits so it never wraps during a run), which
  // makes the start-up seed differ from run to run.
  return int(int64_t(startms) % (int64_t(1) << 30) + int64_t(elapsed));
}

void delay(int ms) {
  if (ms <= 0) return;
  if (sys.testing) {
    sys.virtualbase += ms;
    return;
  }
  sleepfor(ms);
}

}  // namespace media
