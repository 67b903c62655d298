// Composing SQL statements as text, quote-safe.
//
// Every statement of the databases is a printf-style format. Text values go through SQLite's
// own formatter: a "%q" in a format doubles every single quote of its argument, so a value
// such as "it's.mxf" placed between quotes is stored exactly as given instead of ending the
// literal early. "%d", "%u", "%lld" and "%f" behave as in printf. The formatter does not check
// argument types: pass int for %d/%u, long long for %lld, double for %f, const char* for %q.
#pragma once

#include <string>

namespace quarvik {

// The formatted statement. Throws std::bad_alloc when SQLite cannot allocate the text, so a
// statement is never silently replaced by an empty one.
std::string SqlPrintf(const char* format, ...);

}  // namespace quarvik
