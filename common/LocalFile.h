// Local files that the program reads: only regular files. A FIFO, socket or device would
// block an open or a read for ever (or give endless bytes), so it is refused before any
// blocking call, with the reason for the message.
#pragma once

#include <string>

namespace quarvik {

// The message for a path that names an existing special file; "" for a regular file, a
// folder, a missing path or an address ("scheme://...").
std::string SpecialFileReason(const std::string& path);

// Reads the first maxBytes (or fewer) of a regular file into bytes; false (with the reason in
// why, when given) for a missing, special or unreadable file. Never blocks on a FIFO.
bool ReadRegularFile(const std::string& path, std::string& bytes, size_t maxBytes, std::string* why = nullptr);

}  // namespace quarvik
