// The playout database as the result recorder's clip-name lookup.
#pragma once

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

}  // namespace quarvik
