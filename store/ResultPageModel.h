// The result page of the options dialog without its window: the six settings of the playout
// link as the page shows them, read when the page opens and written on the dialog's OK.
#pragma once

#include "PageCheck.h"

#include <array>
#include <string>

namespace quarvik {

// The playout systems offered; the index is the setting System.
inline constexpr std::array<const char*, 1> kPlayoutSystems = {"硬盘播出系统"};

inline constexpr char kDbPassNotStorableText[] = "密码含有不能保存的字符!";

struct ResultFields {
    bool convert = false;  // EnConvert
    int system = 0;        // System
    std::string server;    // DbServer
    std::string user;      // DbUser
    std::string password;  // DbPass, plain text here
};

class CResultPageModel {
public:
    enum Field { kNoField = 0, kPasswordField };

    static ResultFields Read();
    // Writes all six; a password that could not be read back as typed is refused first and
    // nothing is written.
    static PageCheck Write(const ResultFields& fields);
};

}  // namespace quarvik
