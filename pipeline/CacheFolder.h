// Keeping room on the cache folder's file system for downloaded and recorded material.
//
// Both functions may run on any worker thread at once, without a lock: two cleaners may pick
// the same file, and the second deletion simply fails. Failures never stop a caller: a missing
// cache folder, an unreadable folder or a failing free-space query make MakeRoom delete nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quarvik {

// Free bytes available to the program on the file system holding path; false when unknown.
using FreeSpaceQuery = std::function<bool(const std::string& path, uint64_t& freeBytes)>;

// The statvfs answer: blocks available to unprivileged users times the fragment size.
bool StatvfsFreeSpace(const std::string& path, uint64_t& freeBytes);

// A cache file considered for deletion.
struct MyFileInfo {
    int64_t tmLastWrite;  // seconds since 1970
    std::string path;
};

// True when whole free GiB exceed CacheMinSpace, when CacheMinSpace is 0 or less, or when the
// free space cannot be read.
bool HasRoom(const std::string& cachePath, const FreeSpaceQuery& freeSpace = StatvfsFreeSpace);

// The files of the cache folder that sub-tasks still need (a download waiting for or in its
// check, the start of a file fetched for its format check): MakeRoom never deletes them. Each
// owner (a sub-task list) publishes its whole set at once, replacing what it published before;
// an empty set withdraws it. Safe on any thread.
void PublishNeededCacheFiles(const void* owner, std::vector<std::string> paths);

// While the cache folder (CachePath) has no room, deletes the plain files in it and in its
// sub-folders (the whole downloads of the tasks), oldest first. Files still open by some
// process, files still needed (PublishNeededCacheFiles), empty files, links and other file
// systems are passed over; folders stay. True when there is room afterwards (or it cannot be
// known). False when nothing more may be deleted: shortage (when given) then holds the
// operator's notice, and the first call that finds so after a time with room says it on stderr.
bool MakeRoom(const FreeSpaceQuery& freeSpace = StatvfsFreeSpace, std::string* shortage = nullptr);

}  // namespace quarvik
