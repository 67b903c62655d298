#include "FaultChannelDb.h"

#include "SqlText.h"

namespace quarvik {
namespace {

const char kFaultChannelTable[] =
    "CREATE TABLE IF NOT EXISTS [FaultChannels] (\nnID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE,\n"
    "[nFaultID] INTEGER NOT NULL ON CONFLICT FAIL, \n[nResultID] INTEGER NOT NULL ON CONFLICT FAIL, \n"
    "[nTrack] INTEGER NOT NULL ON CONFLICT FAIL, \n[nChannel] INTEGER NOT NULL ON CONFLICT FAIL, \n"
    "[szChannel] VARCHAR(64) NOT NULL ON CONFLICT FAIL);";
const char kFaultChannelTrigger[] =
    "CREATE TRIGGER IF NOT EXISTS [DeleteFaultChannels]\nAFTER DELETE ON [Results] FOR EACH ROW\n"
    "BEGIN\nDelete From FaultChannels Where nResultID=old.nID;\nEND;\n";

}  // namespace

bool EnsureFaultChannelTable(CSqliteDb& db)
{
    return db.Exec(kFaultChannelTable) && db.Exec(kFaultChannelTrigger);
}

bool StoreFaultWithChannel(CSqliteDb& db, const FaultInfo_t& fault, int newCount, const SoundChannel_t& channel)
{
    if (channel.nTrack <= 0 || KnownSoundChannel(fault.nFault).nTrack > 0)
        return db.AddFault(fault, newCount);
    return db.RunInTransaction([&] {
        return db.AddFault(fault, newCount) && AddFaultChannel(db, db.GetLastInsertId(), fault.nResultID, channel);
    });
}

bool AddFaultChannel(CSqliteDb& db, int nFaultID, int nResultID, const SoundChannel_t& channel)
{
    if (channel.nTrack <= 0)
        return true;
    return EnsureFaultChannelTable(db) &&
           db.Exec(SqlPrintf("insert into FaultChannels (nFaultID,nResultID,nTrack,nChannel,szChannel) "
                             "Values (%d,%d,%d,%d,'%q');",
                             nFaultID, nResultID, channel.nTrack, channel.nChannel, channel.name.c_str()));
}

std::map<int32_t, SoundChannel_t> LoadFaultChannels(CSqliteDb& db, int nResultID)
{
    std::map<int32_t, SoundChannel_t> channels;
    if (!db.TableExists("FaultChannels") ||
        !db.Query(SqlPrintf("select nFaultID,nTrack,nChannel,szChannel from FaultChannels where nResultID=%d",
                            nResultID)))
        return channels;
    while (db.Step() == 100) {
        int32_t faultId = 0;
        SoundChannel_t channel;
        db.GetInt(0, faultId);
        db.GetInt(1, channel.nTrack);
        db.GetInt(2, channel.nChannel);
        db.GetString(3, channel.name);
        channels[faultId] = channel;
    }
    db.EndQuery();
    return channels;
}

}  // namespace quarvik
