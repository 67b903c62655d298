#include "FormatCheck.h"

#include "Settings.h"
#include "SqliteDb.h"
#include "TaskStore.h"
#include "TextField.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace quarvik {
namespace {

constexpr char kFtpPrefix[] = "ftp://";
constexpr char kUdpPrefix[] = "udp://";

// atoi's reading (blanks, a sign, then the leading decimal digits: "48 kHz" gives 48, "kHz"
// gives 0), but saturating at the int range instead of overflowing on a long digit run.
int LeadingInt(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    if (negative)
        value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

bool StartsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool IsExistingFile(const std::string& path)
{
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

ResultNotify_t NewNotice(const SubTaskInfo_t& subTask, int kind)
{
    ResultNotify_t notice;
    std::memset(&notice, 0, sizeof notice);
    notice.nTaskID = subTask.nTaskID;
    notice.nSubTaskID = subTask.nID;
    notice.nKind = kind;
    return notice;
}

// Creates an empty "<n>.tmp" in the cache folder, n a millisecond tick raised past every name
// this process has handed out; the exclusive create also steps over names other processes hold.
bool CreateCacheTempFile(std::string& path)
{
    static std::atomic<long long> lastTick{0};
    const std::string folder = ReadSetting(kCachePath);
    if (folder.empty())
        return false;
    const long long now = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count() &
                          INT_MAX;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        long long tick = lastTick.load();
        long long next;
        do {
            next = std::max(now, tick + 1) & INT_MAX;
        } while (!lastTick.compare_exchange_weak(tick, next));
        path = folder + "/" + std::to_string(next) + ".tmp";
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            close(fd);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// The real value a deviation shows for an item that cannot be checked at all.
constexpr char kUnknownLevelText[] = "未知类别";
constexpr char kNoSuchPropertyText[] = "无此属性";
constexpr char kNotReadableText[] = "无法读取";

// Sends the deviation of one item with the value found (or why none could be compared).
void SendDeviation(const MonSyntaxItem_t& item, const SubTaskInfo_t& subTask, std::string_view realValue,
                   IFormatNoticeSink& sink)
{
    ResultNotify_t notice = NewNotice(subTask, 1);
    CopyField(notice.szType, FieldText(item.szAvLevel));
    CopyField(notice.szName, FieldText(item.szName));
    CopyField(notice.szValue1, FieldText(item.szValue1));
    if (item.nCompare != 0)
        CopyField(notice.szValue2, FieldText(item.szValue2));
    CopyField(notice.szRealValue, realValue);
    sink.OnFormatNotice(notice);
}

// Whether one item holds for the file; sends its deviation when it does not. An item that
// cannot be checked (unknown level, a property the file does not have, such as an audio item
// on a file without sound) does not hold either: its deviation says why.
bool CheckItem(const MonSyntaxItem_t& item, const CMediaInfo& info, const SubTaskInfo_t& subTask,
               IFormatNoticeSink& sink)
{
    static constexpr std::pair<std::string_view, MediaInfoStream> kLevels[] = {
        {"General", kStreamGeneral}, {"Video", kStreamVideo}, {"Audio", kStreamAudio}};
    const std::string_view level = FieldText(item.szAvLevel);
    const auto known = std::find_if(std::begin(kLevels), std::end(kLevels),
                                    [&](const auto& entry) { return entry.first == level; });
    if (known == std::end(kLevels)) {
        SendDeviation(item, subTask, kUnknownLevelText, sink);
        return false;
    }
    const std::string name(FieldText(item.szName));
    const std::string value = info.Get(known->second, 0, name.c_str());
    if (value.empty()) {
        SendDeviation(item, subTask, kNoSuchPropertyText, sink);
        return false;
    }

    const std::string_view value1 = FieldText(item.szValue1);
    const std::string_view value2 = FieldText(item.szValue2);
    bool passed;
    if (item.nCompare == 0) {
        passed = value == value1;
    } else {
        const int real = LeadingInt(value);
        passed = LeadingInt(value1) <= real && real <= LeadingInt(value2);
    }
    if (!passed)
        SendDeviation(item, subTask, value, sink);
    return passed;
}

struct PropertySection {
    MediaInfoStream kind;
    const char* heading;  // followed by the stream's number, from 1
    std::initializer_list<const char*> parameters;
};

const std::initializer_list<const char*> kGeneralParameters = {"FileSize/String", "Format/String"};
const PropertySection kStreamSections[] = {
    {kStreamVideo, "Video #",
     {"BitRate/String", "Codec/String", "Codec/Info", "Width", "Height", "PlayTime/String",
      "FrameRate/String", "AspectRatio/String", "ChromaSubsampling", "ColorSpace"}},
    {kStreamAudio, "Audio #", {"Codec/String", "Codec/Info", "BitRate", "Channel(s)", "SamplingRate"}},
};

// "  FileSize" for "FileSize/String": two spaces and the name up to its first '/'.
std::string PropertyLabel(std::string_view parameter)
{
    return "  " + std::string(parameter.substr(0, parameter.find('/')));
}

struct MediaInfoLine {
    MediaInfoStream kind;
    std::string feature;
    std::string value;
};

// Adds the non-empty values of one stream; the number of values added.
int CollectValues(std::vector<MediaInfoLine>& lines, const CMediaInfo& info, MediaInfoStream kind, size_t number,
                  std::initializer_list<const char*> parameters)
{
    int added = 0;
    for (const char* parameter : parameters) {
        std::string value = info.Get(kind, number, parameter);
        if (!value.empty()) {
            lines.push_back({kind, PropertyLabel(parameter), std::move(value)});
            ++added;
        }
    }
    return added;
}

}  // namespace

bool IsRemoteSource(const char* szFilename)
{
    return StartsWith(szFilename, kFtpPrefix) || StartsWith(szFilename, kUdpPrefix);
}

bool FetchForChecking(const SubTaskInfo_t& subTask, ICheckFetcher* fetcher, std::string& localFile)
{
    const std::string given(FieldText(subTask.szLocalFile));
    if (IsExistingFile(given)) {
        localFile = given;
        return true;
    }
    const std::string source(FieldText(subTask.szFilename));
    if (!IsRemoteSource(source.c_str())) {
        localFile = source;
        return true;
    }
    std::string temp;
    if (!fetcher || !CreateCacheTempFile(temp))
        return false;
    if (!fetcher->Fetch(subTask, temp, kCheckFetchBytes)) {
        unlink(temp.c_str());
        return false;
    }
    localFile = temp;
    return true;
}

bool FormatCheck(const SubTaskInfo_t& subTask, const MonSyntax_t& templ, IFormatNoticeSink& sink,
                 CMediaInfoLib& lib)
{
    CMediaInfo info(lib);
    info.Open(std::string(FieldText(subTask.szLocalFile)));
    const int count = templ.pItems ? std::max(templ.nCount, 0) : 0;
    int passed = 0;
    for (int i = 0; i < count; ++i) {
        if (CheckItem(templ.pItems[i], info, subTask, sink))
            ++passed;
    }
    return passed == templ.nCount;
}

bool CheckFileFormat(const SubTaskInfo_t& subTask, const MonSyntax_t& templ, IFormatNoticeSink& sink,
                     ICheckFetcher* fetcher, CMediaInfoLib& lib)
{
    std::string localFile;
    if (!FetchForChecking(subTask, fetcher, localFile)) {
        // Nothing could be compared: the check failed, and says why.
        MonSyntaxItem_t whole{};
        CopyField(whole.szAvLevel, "General");
        CopyField(whole.szName, "File");
        SendDeviation(whole, subTask, kNotReadableText, sink);
        return false;
    }
    SubTaskInfo_t checked = subTask;
    CopyField(checked.szLocalFile, localFile);
    const bool passed = FormatCheck(checked, templ, sink, lib);
    if (passed) {
        const ResultNotify_t notice = NewNotice(subTask, 2);
        sink.OnFormatNotice(notice);
    }
    // Only a copy fetched from remote material is ours to delete; a local source's file is the
    // operator's material, whatever szLocalFile says.
    if (IsRemoteSource(subTask.szFilename))
        unlink(localFile.c_str());
    return passed;
}

bool StoreMediaInfo(const std::string& filePath, int nResultID, CMediaInfoLib& lib, std::string* storeError)
{
    CMediaInfo info(lib);
    info.Open(filePath);
    std::vector<MediaInfoLine> lines{{kStreamGeneral, "General", ""}};
    int values = CollectValues(lines, info, kStreamGeneral, 0, kGeneralParameters);
    if (values > 0) {
        for (const PropertySection& section : kStreamSections) {
            const int streams = LeadingInt(info.Get(section.kind, 0, "StreamCount"));
            for (int i = 1; i <= streams; ++i) {
                lines.push_back({section.kind, section.heading + std::to_string(i), ""});
                values += CollectValues(lines, info, section.kind, i - 1, section.parameters);
            }
        }
    }
    if (values == 0)
        return false;
    // One unit: the properties of a result are stored all together or not at all.
    std::string reason;
    const bool stored = StoreInTaskDb(
        [&](CSqliteDb& db) {
            for (const MediaInfoLine& line : lines) {
                if (!db.AddMediaInfo(nResultID, line.kind, line.feature.c_str(), line.value.c_str()))
                    return false;
            }
            return true;
        },
        reason);
    if (!stored && storeError)
        *storeError = reason;
    return stored;
}

}  // namespace quarvik
