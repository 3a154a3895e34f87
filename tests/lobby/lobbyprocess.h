// The lobby program started by a test, its standard output read line by line, and the ports it
// says it listens on. FLOPFIST_LOBBY_PROGRAM names the program.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace flopfist::net {

// The lobby program, its standard output read line by line.
class lobbyprocess {
 public:
  explicit lobbyprocess(std::vector<std::string> args) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      close(out[0]);
      std::vector<char*> argv{const_cast<char*>(FLOPFIST_LOBBY_PROGRAM)};
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    fd_ = out[0];
  }
  ~lobbyprocess() {
    if (pid_ > 0 && !ended_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0) close(fd_);
  }
  // The next line holding `text`, waiting up to 5 s; every line read is kept in lines.
  std::optional<std::string> waitfor(const std::string& text) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      for (; seen_ < lines.size(); ++seen_) {
        if (lines[seen_].find(text) != std::string::npos) return lines[seen_++];
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
      if (left.count() <= 0) return std::nullopt;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, int(left.count())) <= 0) return std::nullopt;
      char buf[4096];
      const ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) return std::nullopt;
      partial_.append(buf, size_t(n));
      for (size_t end; (end = partial_.find('\n')) != std::string::npos; partial_.erase(0, end + 1)) {
        lines.push_back(partial_.substr(0, end));
      }
    }
  }
  // Sends SIGTERM and returns the exit status (-1: it did not end within 5 s or was killed).
  int terminate() {
    kill(pid_, SIGTERM);
    return wait();
  }
  // The exit status once it ends of itself (-1: not within 5 s, or killed).
  int wait() {
    for (int k = 0; k < 500; ++k) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        ended_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      usleep(10'000);
    }
    return -1;
  }
  std::vector<std::string> lines;

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  bool ended_ = false;
  size_t seen_ = 0;
  std::string partial_;
};

struct ports {
  uint16_t udp = 0, ws = 0;
};

inline ports started(lobbyprocess& lobby) {
  const std::optional<std::string> line = lobby.waitfor("listening on udp port");
  ports p;
  if (!line) return p;
  unsigned u = 0, w = 0;
  const size_t at = line->find("udp port");
  const size_t wsat = line->find(" port ", at + 9);
  if (std::sscanf(line->c_str() + at, "udp port %u", &u) == 1 && wsat != std::string::npos &&
      std::sscanf(line->c_str() + wsat, " port %u", &w) == 1) {
    p = {uint16_t(u), uint16_t(w)};
  }
  return p;
}

}  // namespace flopfist::net
