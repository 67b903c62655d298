// What a report writer tells its caller: whether everything was written, and if not, the
// first thing that went wrong (a path and the system's reason), ready to show or print.
#pragma once

#include <string>

namespace quarvik {

struct ReportOutcome {
    bool ok = true;
    std::string error;

    // Keeps the first failure: later ones usually follow from it (a full disk).
    void Fail(const std::string& message)
    {
        if (ok)
            error = message;
        ok = false;
    }
};

}  // namespace quarvik
