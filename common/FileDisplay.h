// How a file or address is shown to people (lists, monitors, logs, reports).
#pragma once

#include <string>
#include <string_view>

namespace quarvik {

// An FTP address as "ftp://%s%s": server and path only, so no part of the user name or the
// password, nor the port, ever shows ("/" when it has no path). Anything else is returned
// unchanged.
std::string DisplayFileName(std::string_view file);

// text (a statement, a message) with the user information of every FTP address in it removed,
// for diagnostics that quote whole texts.
std::string HideFtpUserInfo(std::string_view text);

}  // namespace quarvik
