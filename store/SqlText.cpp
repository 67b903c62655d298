#include "SqlText.h"

#include <sqlite3.h>

#include <cstdarg>
#include <new>

namespace quarvik {

std::string SqlPrintf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    char* text = sqlite3_vmprintf(format, args);
    va_end(args);
    if (!text)
        throw std::bad_alloc();
    std::string statement(text);
    sqlite3_free(text);
    return statement;
}

}  // namespace quarvik
