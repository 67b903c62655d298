// Content-check parameters: one record per fault code, their defaults and the file "ave.dat".
//
// "ave.dat" lies in the program folder: 648 bytes, little-endian: the magic 0x20120504, the 32
// records in code order (five int32 each) and a checksum (the plain 32-bit sum of the 644
// bytes before it, each taken as an unsigned byte).
#pragma once

#include <cstdint>
#include <string>

namespace quarvik {

struct ContentParam_t {
    int32_t nEnable;      // 1 run this detector (for sound: the silence record switches the channel)
    int32_t nFault;       // the record's own code
    int32_t nDuration;    // minimum fault run, in check frames
    int32_t nThreshold1;  // picture: grey level or difference; sound: lower limit in dBFS
    int32_t nThreshold2;  // picture: share in percent; sound: upper limit in dBFS
};

constexpr int kContentParamCount = 32;
constexpr uint32_t kContentParamMagic = 0x20120504;
constexpr size_t kContentParamFileSize = 648;

// Path of "ave.dat" in the program folder.
std::string ContentParamsPath();

// Clears all records, sets nFault = index, then the default table.
void SetDefaultContentParams(ContentParam_t table[kContentParamCount]);

// Reads a parameter file; false (table untouched) when it is missing, short, or has a wrong
// magic or checksum. Bytes behind the first 648 are ignored.
bool ReadContentParamsFile(const std::string& path, ContentParam_t table[kContentParamCount]);

// Fills the table from the file, or with the defaults when the file is missing or damaged
// (the file itself is left as it is); an empty record of a kind beyond the original twelve
// (a file saved before that kind existed) takes its defaults. The caller sets nFault = index
// afterwards.
bool LoadContentParams(ContentParam_t table[kContentParamCount],
                       const std::string& path = ContentParamsPath());

// Writes the file anew. The bytes go to a temporary file that replaces the old one only when
// completely written, so a full disk never leaves a damaged file. False when it failed.
bool SaveContentParams(const ContentParam_t table[kContentParamCount],
                       const std::string& path = ContentParamsPath());

}  // namespace quarvik
