#include "ContentParams.h"

#include "LocalFile.h"
#include "ProgramFolder.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace quarvik {
namespace {

struct DefaultRecord {
    int32_t code, enable, duration, threshold1, threshold2;
};

constexpr DefaultRecord kDefaults[] = {
    {0, 1, 1, 0, 0},
    {1, 1, 75, 5, 99},       // still frame
    {2, 1, 1, 5, 97},        // black
    {3, 1, 1, 10, 80},       // colour bars
    {4, 1, 5, 5, 95},        // colour field
    {5, 1, 1, 5, 95},        // mosaic, judged on the decoded picture
    // Photosensitive flashes and patterns: a luminance (or red) step in cd/m² and the share of
    // the screen it must cover; a pattern must be held longer than half a second.
    {6, 1, 1, 20, 25},       // flash
    {7, 1, 1, 20, 25},       // red flash
    {8, 1, 13, 20, 25},      // regular pattern
    // Broadcast-safe levels, lower and upper limit in percent of the nominal range: below black
    // the -5 % of today's recommendation (the PLUGE of colour bars reaches -4 %), above white
    // the stricter 103 % of its first version; R, G and B -5 ... 105 %.
    {9, 1, 1, -5, 103},      // luma
    {10, 1, 1, -5, 105},     // R, G, B
    {11, 1, 1, 0, 0},        // decoding errors, material cut short
    {12, 1, 1, 0, 0},        // flashing at two to three a second for less than four seconds: a warning
    {16, 1, 750, -99, -60},  // silence, left
    {17, 1, 1500, -60, -38}, // too low, left
    {18, 1, 25, -9, 0},      // too high, left
    {19, 0, 750, -99, -60},  // the right channel is off by default
    {20, 0, 1500, -60, -38},
    {21, 0, 25, -9, 0},
    {22, 1, 750, -99, -60},  // every other channel, with the left channel's limits
    {23, 1, 1500, -60, -38},
    {24, 1, 25, -9, 0},
};

// Records of our own (kinds 6-15 and 22-31) that a file written before them holds as zeros
// (the options page never writes a duration of 0): they get their defaults.
void FillUnwrittenRecords(ContentParam_t* table)
{
    for (const DefaultRecord& d : kDefaults) {
        ContentParam_t& r = table[d.code];
        const bool ownKind = (d.code >= 6 && d.code <= 15) || d.code >= 22;
        if (ownKind && r.nDuration == 0 && r.nEnable == 0 && r.nThreshold1 == 0 && r.nThreshold2 == 0)
            r = {d.enable, d.code, d.duration, d.threshold1, d.threshold2};
    }
}

constexpr size_t kRecordBytes = sizeof(ContentParam_t) * kContentParamCount;
static_assert(sizeof(ContentParam_t) == 20 && kRecordBytes == 640);
static_assert(4 + kRecordBytes + 4 == kContentParamFileSize);

uint32_t Checksum(const unsigned char* bytes, size_t count)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += bytes[i];
    return sum;
}

void PutU32(unsigned char* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint32_t GetU32(const unsigned char* at)
{
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

void PutRecords(unsigned char* at, const ContentParam_t* table)
{
    for (int i = 0; i < kContentParamCount; ++i) {
        const ContentParam_t& r = table[i];
        const int32_t fields[5] = {r.nEnable, r.nFault, r.nDuration, r.nThreshold1, r.nThreshold2};
        for (int f = 0; f < 5; ++f)
            PutU32(at + 20 * i + 4 * f, static_cast<uint32_t>(fields[f]));
    }
}

void GetRecords(const unsigned char* at, ContentParam_t* table)
{
    for (int i = 0; i < kContentParamCount; ++i) {
        const unsigned char* r = at + 20 * i;
        table[i] = {static_cast<int32_t>(GetU32(r)), static_cast<int32_t>(GetU32(r + 4)),
                    static_cast<int32_t>(GetU32(r + 8)), static_cast<int32_t>(GetU32(r + 12)),
                    static_cast<int32_t>(GetU32(r + 16))};
    }
}

}  // namespace

std::string ContentParamsPath()
{
    return ProgramFilePath("ave.dat");
}

void SetDefaultContentParams(ContentParam_t table[kContentParamCount])
{
    std::memset(table, 0, kRecordBytes);
    for (int i = 0; i < kContentParamCount; ++i)
        table[i].nFault = i;
    for (const DefaultRecord& d : kDefaults)
        table[d.code] = {d.enable, d.code, d.duration, d.threshold1, d.threshold2};
}

bool ReadContentParamsFile(const std::string& path, ContentParam_t table[kContentParamCount])
{
    const std::string special = SpecialFileReason(path);
    if (!special.empty()) {
        std::fprintf(stderr, "%s\n", special.c_str());
        return false;
    }
    std::string read;
    // Bytes after the record table are ignored.
    if (!ReadRegularFile(path, read, kContentParamFileSize) || read.size() != kContentParamFileSize)
        return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(read.data());
    if (GetU32(bytes) != kContentParamMagic ||
        Checksum(bytes, kContentParamFileSize - 4) != GetU32(bytes + kContentParamFileSize - 4))
        return false;
    GetRecords(bytes + 4, table);
    FillUnwrittenRecords(table);
    return true;
}

bool LoadContentParams(ContentParam_t table[kContentParamCount], const std::string& path)
{
    if (!ReadContentParamsFile(path, table))
        SetDefaultContentParams(table);
    return true;
}

bool SaveContentParams(const ContentParam_t table[kContentParamCount], const std::string& path)
{
    unsigned char bytes[kContentParamFileSize];
    PutU32(bytes, kContentParamMagic);
    PutRecords(bytes + 4, table);
    PutU32(bytes + kContentParamFileSize - 4, Checksum(bytes, kContentParamFileSize - 4));

    const std::string temp = path + ".tmp";
    FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file)
        return false;
    bool written = std::fwrite(bytes, 1, sizeof(bytes), file) == sizeof(bytes);
    written = std::fflush(file) == 0 && written;
    written = fsync(fileno(file)) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace quarvik
