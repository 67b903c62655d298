// The playout database as the result recorder's clip-name lookup.
#pragma once

#include "FormatCheck.h"
#include "PlayoutLink.h"
#include "ResultRecorder.h"

namespace quarvik {

// Holds one playout connection for the recorder's home thread; the recorder asks it only
// while the link is enabled in the settings.
class CPlayoutClipNames : public IClipNameLookup {
public:
    bool LookupClipName(const std::string& baseName, std::string& clipName) override
    {
        return m_link.LookupClipName(baseName, clipName);
    }

private:
    CPlayoutLink m_link;
};

// How every stored check records: each new result gets its file's media properties, and its
// clip name from the playout system while that link is enabled.
inline void SetUpStoringRecorder(CResultRecorder& recorder, CPlayoutClipNames& clipNames)
{
    recorder.SetStoreMediaInfo([](const std::string& path, int32_t id, std::string& storeError) {
        return StoreMediaInfo(path, id, CMediaInfoLib::Instance(), &storeError);
    });
    recorder.SetClipNameLookup(&clipNames);
}

}  // namespace quarvik
