// File-list databases "ftp%d" / "dir%d": the files a polling source has already seen.
#include "ProgramFolder.h"
#include "SqlText.h"
#include "SqliteDb.h"

#include <cstdio>

namespace quarvik {
namespace {

const char* const kFtpListSchema[] = {
    "CREATE TABLE [FtpFileList] (\nnID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE,\n[szUrl] VARCHAR(260) NOT NULL ON CONFLICT FAIL, \n[llFileSize] BIGINT NOT NULL ON CONFLICT FAIL,\n[nLastWriteTimeL] INTEGER NOT NULL ON CONFLICT FAIL, \n[nLastWriteTimeH] INTEGER NOT NULL ON CONFLICT FAIL, \n[nState] INTEGER NOT NULL ON CONFLICT FAIL );\n",
};

}  // namespace

bool CSqliteDb::OpenFtpList(const std::string& listName)
{
    // The name becomes a file name in the program folder; it must not lead out of it.
    if (listName.empty() || listName.find('/') != std::string::npos) {
        std::fprintf(stderr, "OPEN: %s\nERROR:invalid list name\n", listName.c_str());
        return false;
    }
    return OpenOrCreate(ProgramFilePath(listName + ".db"), kFtpListSchema);
}

bool CSqliteDb::AddFtpFile(const char* szUrl, int64_t llFileSize, int& newId, uint32_t lastWriteLow,
                           uint32_t lastWriteHigh)
{
    if (!Exec(SqlPrintf("insert into FtpFileList  Values (NULL,'%q',%lld,%u,%u,%d);", szUrl,
                        static_cast<long long>(llFileSize), lastWriteLow, lastWriteHigh, 0)))
        return false;
    newId = GetLastInsertId();
    return true;
}

bool CSqliteDb::SetFtpFileState(int nID, int nState)
{
    return Exec(SqlPrintf("update FtpFileList  set nState=%d where nID=%d", nState, nID));
}

}  // namespace quarvik
