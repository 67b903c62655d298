// Which files some process holds open right now.
//
// On Linux a file that another program (or our own download thread) still writes can be
// deleted; the writer then fills a nameless file and no space is freed until it closes it.
// To pass such files over, we look at every open descriptor the system shows us: each
// /proc/<pid>/fd/<n> entry, followed with stat, names the device and inode of an open file.
// This finds files held by any program, unlike an flock probe, which only sees writers that
// take locks (ordinary downloaders and copy tools do not). Processes of other users are
// visible only to root; their files count as not open.
#pragma once

#include <sys/types.h>

#include <set>
#include <utility>

namespace quarvik {

// (device, inode) of every file open in a visible process, taken once; cheap to query after.
class OpenFileSet {
public:
    static OpenFileSet Snapshot();
    bool Contains(dev_t device, ino_t inode) const { return m_files.count({device, inode}) != 0; }

private:
    std::set<std::pair<dev_t, ino_t>> m_files;
};

}  // namespace quarvik
