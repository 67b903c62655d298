// Listing one remote folder, for the FTP watcher and the browse dialog, with libcurl.
//
// A folder is named as in an "ftp://" address: below the login folder, whether it is written
// with a leading "/" or not ("/in" and "in" are the same folder), so the addresses formed from
// a listing name the files that the download (FtpClient.h) and the decoding engine fetch.
//
// The entries come from MLSD where the server knows it; otherwise from LIST, whose Unix-style
// and DOS/IIS-style lines libcurl reads. A LIST that libcurl cannot read fails the listing
// with that reason; it is never taken for an empty folder.
//
// Threads: each call opens its own session and may run on any thread. Every wait on the server
// is bounded by the time-outs given.
#pragma once

#include "FtpClient.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quarvik {

// One entry of a remote folder. tmModified: seconds since 1970 (UTC for MLSD; the server's
// clock reading for LIST), 0 when unknown.
struct FtpEntry {
    std::string name;
    bool bFolder = false;
    int64_t llSize = 0;
    int64_t tmModified = 0;
};

// One line of an MLSD listing; false for lines that name no entry ("." and ".." included)
// and for links and devices.
bool ParseMlsdLine(const std::string& line, FtpEntry& entry);

// The time column of a LIST line as the server's clock reads it, in seconds since 1970, or 0:
// Unix "Jun 01 12:34" (in the twelve months before now) and "Jan 05  2021", DOS "12-09-26
// 10:15AM" and "12-09-2026  22:15".
int64_t ParseListTime(const std::string& text, int64_t now);

// Logs on to server (an address whose path is ignored; an empty user logs on as "anonymous")
// and lists folder: plain files and sub-folders, without "." and "..", links and devices.
bool ListFtpFolder(const FtpAddress& server, const std::string& folder, std::vector<FtpEntry>& entries,
                   const FtpTimeouts& timeouts = {}, std::string* error = nullptr, bool passive = false);

}  // namespace quarvik
