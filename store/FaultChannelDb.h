// The channel of sound events in "task.db": table FaultChannels, one row per stored event of a
// channel beyond the first two (their codes name the left and right channel). Created when
// missing, deleted with its result by a trigger of its own; an older task.db without it
// keeps working, its events simply name no channel.
#pragma once

#include "FaultKinds.h"
#include "SqliteDb.h"

#include <map>

namespace quarvik {

bool EnsureFaultChannelTable(CSqliteDb& db);
// Stores the fault event and, with a known channel, its channel, as one unit.
bool StoreFaultWithChannel(CSqliteDb& db, const FaultInfo_t& fault, int newCount, const SoundChannel_t& channel);
// Notes the channel of the stored event nFaultID (nothing for a channel not known).
bool AddFaultChannel(CSqliteDb& db, int nFaultID, int nResultID, const SoundChannel_t& channel);
// The channels of a result's events by the events' nID; empty without the table.
std::map<int32_t, SoundChannel_t> LoadFaultChannels(CSqliteDb& db, int nResultID);

}  // namespace quarvik
