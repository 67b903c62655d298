#include "FtpList.h"

#include "Dispatcher.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <sstream>

namespace quarvik {
namespace {

constexpr size_t kMaxListingBytes = 64 * 1024 * 1024;

bool AllDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

bool IsDotName(const std::string& name)
{
    return name.empty() || name == "." || name == "..";
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// "Jun 01 12:34" (a time without a year lies in the twelve months before now) or "Jan 05 2021".
int64_t UnixListTime(const std::vector<std::string>& words, int64_t now)
{
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    const std::string month = Lower(words[0]);
    const auto found =
        std::find_if(std::begin(kMonths), std::end(kMonths), [&](const char* name) { return month == name; });
    if (found == std::end(kMonths) || !AllDigits(words[1]))
        return 0;
    std::tm t{};
    t.tm_mon = static_cast<int>(found - std::begin(kMonths));
    t.tm_mday = std::atoi(words[1].c_str());
    const std::string& when = words[2];
    const size_t colon = when.find(':');
    if (colon == std::string::npos) {
        if (!AllDigits(when))
            return 0;
        t.tm_year = std::atoi(when.c_str()) - 1900;
        return static_cast<int64_t>(::timegm(&t));
    }
    const std::time_t nowT = static_cast<std::time_t>(now);
    std::tm today{};
    ::gmtime_r(&nowT, &today);
    t.tm_year = today.tm_year;
    t.tm_hour = std::atoi(when.substr(0, colon).c_str());
    t.tm_min = std::atoi(when.substr(colon + 1).c_str());
    int64_t stamp = static_cast<int64_t>(::timegm(&t));
    if (stamp > now + 86400) {
        --t.tm_year;
        stamp = static_cast<int64_t>(::timegm(&t));
    }
    return stamp;
}

// "12-09-26 10:15AM" or "12-09-2026 22:15": month, day, year; a two-digit year below 70 is
// in this century.
int64_t DosListTime(const std::vector<std::string>& words)
{
    int month = 0, day = 0, year = 0, hour = 0, minute = 0;
    char suffix[3] = {};
    if (std::sscanf(words[0].c_str(), "%2d-%2d-%4d", &month, &day, &year) != 3 ||
        std::sscanf(words[1].c_str(), "%2d:%2d%2s", &hour, &minute, suffix) < 2)
        return 0;
    const std::string half = Lower(suffix);
    if (half == "pm" && hour < 12)
        hour += 12;
    else if (half == "am" && hour == 12)
        hour = 0;
    if (year < 100)
        year += year < 70 ? 2000 : 1900;
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return static_cast<int64_t>(::timegm(&t));
}

void InitCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

// "ftp://server:port/" followed by the folder's components, each percent-encoded, and "/".
std::string FolderUrl(CURL* curl, const FtpAddress& server, const std::string& folder)
{
    const bool v6 = server.server.find(':') != std::string::npos;
    const std::string host = v6 ? "[" + server.server + "]" : server.server;
    std::string url = "ftp://" + host + ":" + std::to_string(server.port) + "/";
    std::istringstream parts(folder);
    for (std::string part; std::getline(parts, part, '/');) {
        if (part.empty())
            continue;
        char* escaped = curl_easy_escape(curl, part.data(), static_cast<int>(part.size()));
        if (!escaped)
            return "";
        url += escaped;
        url += '/';
        curl_free(escaped);
    }
    return url;
}

struct Listing {
    std::vector<FtpEntry> entries;
    std::string text;  // MLSD
    int64_t now = 0;
    bool cut = false;        // the MLSD text outgrew kMaxListingBytes
    std::string lastReply;   // the server's last reply line
};

size_t CollectText(char* data, size_t size, size_t count, void* user)
{
    Listing& listing = *static_cast<Listing*>(user);
    if (listing.text.size() + size * count > kMaxListingBytes) {
        listing.cut = true;
        return 0;
    }
    listing.text.append(data, size * count);
    return size * count;
}

// libcurl hands every reply line of the control connection here.
size_t KeepReply(char* data, size_t size, size_t count, void* user)
{
    std::string line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])))
        static_cast<Listing*>(user)->lastReply = line.substr(0, 200);
    return size * count;
}

// Why a listing failed, as it happened: libcurl reads a 421 as a time-out, and its error
// buffer may still hold a note of an earlier step that did not matter.
std::string FailureReason(CURLcode code, const Listing& listing, const char* reason)
{
    if (listing.cut)
        return "the listing is longer than " + std::to_string(kMaxListingBytes >> 20) + " MiB and was cut";
    const char cls = listing.lastReply.empty() ? '0' : listing.lastReply[0];
    if (cls == '4' || cls == '5')
        return "the server replied " + listing.lastReply;
    return reason[0] ? reason : curl_easy_strerror(code);
}

size_t DiscardData(char*, size_t size, size_t count, void*)
{
    return size * count;
}

// Each entry of a LIST that libcurl read; none is downloaded.
long TakeListEntry(const void* info, void* user, int)
{
    const auto* file = static_cast<const curl_fileinfo*>(info);
    Listing& listing = *static_cast<Listing*>(user);
    FtpEntry entry;
    entry.name = file->filename ? file->filename : "";
    if (!IsDotName(entry.name) &&
        (file->filetype == CURLFILETYPE_FILE || file->filetype == CURLFILETYPE_DIRECTORY)) {
        entry.bFolder = file->filetype == CURLFILETYPE_DIRECTORY;
        entry.llSize = static_cast<int64_t>(file->size);
        entry.tmModified = file->strings.time ? ParseListTime(file->strings.time, listing.now) : 0;
        listing.entries.push_back(entry);
    }
    return CURL_CHUNK_BGN_FUNC_SKIP;
}

long EndListEntry(void*)
{
    return CURL_CHUNK_END_FUNC_OK;
}

// libcurl asks this during every transfer, about once a second and whenever data moves.
int StopIfAsked(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return CurrentWorkerStopRequested() ? 1 : 0;
}

int SecondsAtLeastOne(int ms)
{
    return std::max(1, (ms + 999) / 1000);
}

// What both requests of a listing share: the logon, the mode and every time-out.
void SetSessionOptions(CURL* curl, const FtpAddress& server, const FtpTimeouts& timeouts, bool passive,
                       char* reason)
{
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, reason);
    // Without a user libcurl logs on as "anonymous".
    if (!server.user.empty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, server.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, server.password.c_str());
    }
    // Active mode answers on the address of the control connection.
    curl_easy_setopt(curl, CURLOPT_FTPPORT, passive ? nullptr : "-");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connectMs));
    curl_easy_setopt(curl, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(timeouts.dataMs));
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(SecondsAtLeastOne(timeouts.replyMs)));
    // Data that stops flowing or trickles ends the listing, and so does the worker's stop.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(kMinBytesPerSecond));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(SecondsAtLeastOne(timeouts.dataMs)));
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, StopIfAsked);
}

}  // namespace

bool ParseMlsdLine(const std::string& rawLine, FtpEntry& entry)
{
    std::string line = rawLine;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    const size_t space = line.find(' ');
    if (space == std::string::npos)
        return false;
    FtpEntry parsed;
    parsed.name = line.substr(space + 1);
    if (IsDotName(parsed.name))
        return false;
    std::string type;
    std::istringstream facts(line.substr(0, space));
    for (std::string fact; std::getline(facts, fact, ';');) {
        const size_t eq = fact.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = Lower(fact.substr(0, eq));
        const std::string value = fact.substr(eq + 1);
        if (key == "type") {
            type = Lower(value);
        } else if (key == "size" && AllDigits(value)) {
            parsed.llSize = std::strtoll(value.c_str(), nullptr, 10);
        } else if (key == "modify" && value.size() >= 14 && AllDigits(value.substr(0, 14))) {
            std::tm t{};
            t.tm_year = std::atoi(value.substr(0, 4).c_str()) - 1900;
            t.tm_mon = std::atoi(value.substr(4, 2).c_str()) - 1;
            t.tm_mday = std::atoi(value.substr(6, 2).c_str());
            t.tm_hour = std::atoi(value.substr(8, 2).c_str());
            t.tm_min = std::atoi(value.substr(10, 2).c_str());
            t.tm_sec = std::atoi(value.substr(12, 2).c_str());
            parsed.tmModified = static_cast<int64_t>(::timegm(&t));
        }
    }
    // Links and devices (OS-specific types) are passed over, like "." and "..".
    if (type == "dir")
        parsed.bFolder = true;
    else if (type != "file")
        return false;
    entry = parsed;
    return true;
}

int64_t ParseListTime(const std::string& text, int64_t now)
{
    const std::vector<std::string> words = Words(text);
    if (words.size() == 3)
        return UnixListTime(words, now);
    if (words.size() == 2)
        return DosListTime(words);
    return 0;
}

bool ListFtpFolder(const FtpAddress& server, const std::string& folder, std::vector<FtpEntry>& entries,
                   const FtpTimeouts& timeouts, std::string* error, bool passive)
{
    InitCurlOnce();
    std::unique_ptr<CURL, CurlDeleter> handle(curl_easy_init());
    CURL* curl = handle.get();
    const auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    if (!curl)
        return fail(kFtpNetworkError);
    const std::string url = FolderUrl(curl, server, folder);
    if (url.empty())
        return fail(kFtpNetworkError);
    char reason[CURL_ERROR_SIZE] = {};
    SetSessionOptions(curl, server, timeouts, passive, reason);
    Listing listing;
    listing.now = static_cast<int64_t>(std::time(nullptr));
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "MLSD");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectText);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &listing);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, KeepReply);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &listing);
    CURLcode code = curl_easy_perform(curl);
    if (code == CURLE_OK) {
        std::istringstream lines(listing.text);
        entries.clear();
        for (std::string line; std::getline(lines, line);) {
            FtpEntry entry;
            if (ParseMlsdLine(line, entry))
                entries.push_back(entry);
        }
        return true;
    }
    long reply = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply);
    if (code == CURLE_LOGIN_DENIED)
        return fail(kFtpLogonFailed);
    if (code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST)
        return fail(kFtpConnectFailed);
    // A 50x reply: no MLSD here; the LIST on the same connection, read by libcurl.
    if (reply / 10 != 50)
        return fail(FailureReason(code, listing, reason));
    const std::string pattern = url + "*";
    reason[0] = '\0';
    listing.lastReply.clear();
    curl_easy_setopt(curl, CURLOPT_URL, pattern.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, DiscardData);
    curl_easy_setopt(curl, CURLOPT_WILDCARDMATCH, 1L);
    curl_easy_setopt(curl, CURLOPT_CHUNK_BGN_FUNCTION, TakeListEntry);
    curl_easy_setopt(curl, CURLOPT_CHUNK_END_FUNCTION, EndListEntry);
    curl_easy_setopt(curl, CURLOPT_CHUNK_DATA, &listing);
    code = curl_easy_perform(curl);
    // With "*" nothing matches only in an empty folder (a missing one fails its CWD).
    if (code != CURLE_OK && code != CURLE_REMOTE_FILE_NOT_FOUND)
        return fail(FailureReason(code, listing, reason));
    entries = std::move(listing.entries);
    return true;
}

}  // namespace quarvik
