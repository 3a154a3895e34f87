// Folders, whole files as bytes, and the calendar date: what keeping a folder of recordings needs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace media {

// Creates the folder when it is missing; true when a folder of that name exists afterwards.
bool makefolder(const std::string& path);
// The names of the regular files in a folder, sorted; empty when it cannot be read.
std::vector<std::string> filesin(const std::string& folder);
bool removefile(const std::string& path);
bool renamefile(const std::string& from, const std::string& to);  // false when to exists
// What a path names, so a refusal can say why: nothing, a folder, a regular file this process
// may not read, a regular file it may, or anything else (a device, a socket).
enum class pathkind { missing, folder, unreadable, readable, other };
pathkind kindof(const std::string& path);
// A regular file read whole; false (and no bytes) when it cannot be, or holds more than most bytes.
bool readbytes(const std::string& path, std::string& bytes, size_t most = SIZE_MAX);

// Seconds since 1970 by the wall clock. In test mode a fixed day, 2024-06-01 12:00 UTC, plus the
// virtual clock, so recordings made by tests carry the same date on every run.
int64_t calendarseconds();
// "2024-06-01 14:00": local time, or UTC in test mode.
std::string datetext(int64_t seconds);

}  // namespace media
