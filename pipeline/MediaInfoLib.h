// The binding to libmediainfo, loaded at run time by name through its plain C interface
// (narrow-character "A" variant), and a handle that reads one file's properties.
//
// Threads: one binding serves the whole process. Load() may be called from any thread at once;
// the first caller loads the library, later callers only raise the load count. The library
// is never unloaded, so the entry points stay valid once looked up. Each CMediaInfo handle
// belongs to the thread that made it.
//
// Errors: a library that is missing, or lacks any of its 28 entry points, leaves the binding
// unusable; every value read through it is then kMediaInfoMissingText. Nothing throws.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

namespace quarvik {

inline constexpr char kMediaInfoLibraryName[] = "libmediainfo.so.0";
inline constexpr char kMediaInfoMissingText[] = "Unable to load MediaInfo.dll";

// MediaInfo's stream kinds, as its interface numbers them.
enum MediaInfoStream : int {
    kStreamGeneral = 0,
    kStreamVideo = 1,
    kStreamAudio = 2,
};

class CMediaInfoLib {
public:
    // The process-wide binding to kMediaInfoLibraryName.
    static CMediaInfoLib& Instance();

    // A binding to another library (tests: a missing name, a library without the entry points).
    explicit CMediaInfoLib(std::string libraryName);
    CMediaInfoLib(const CMediaInfoLib&) = delete;
    CMediaInfoLib& operator=(const CMediaInfoLib&) = delete;

    // Already loaded: raises the load count, 1. Otherwise opens the library and looks up every
    // entry point: 1 with the count at 1, or -1 when the library cannot be opened or an entry
    // point is missing (the module then stays open and the count stays 0).
    int Load();
    // Loads the library unless its module is already open (a binding that once failed to find
    // its entry points is not retried); true when the entry points are usable.
    bool EnsureLoaded();
    int LoadCount() const;
    bool IsModuleOpen() const;

private:
    friend class CMediaInfo;

    using NewFn = void* (*)();
    using DeleteFn = void (*)(void*);
    using OpenFn = size_t (*)(void*, const char*);
    using GetFn = const char* (*)(void*, int streamKind, size_t streamNumber, const char* parameter,
                                  int infoKind, int searchKind);
    using OptionFn = const char* (*)(void*, const char* option, const char* value);

    bool LookUpEntryPoints();

    const std::string m_libraryName;
    mutable std::mutex m_mutex;
    void* m_module = nullptr;
    int m_loadCount = 0;
    NewFn m_new = nullptr;
    DeleteFn m_delete = nullptr;
    OpenFn m_open = nullptr;
    GetFn m_get = nullptr;
    OptionFn m_option = nullptr;
};

// One MediaInfo handle with one file opened in it. Made with the library missing, it has no
// handle and every Get() returns kMediaInfoMissingText.
class CMediaInfo {
public:
    explicit CMediaInfo(CMediaInfoLib& lib = CMediaInfoLib::Instance());
    ~CMediaInfo();
    CMediaInfo(const CMediaInfo&) = delete;
    CMediaInfo& operator=(const CMediaInfo&) = delete;

    // Opens path in the handle. A file MediaInfo cannot read simply yields empty values.
    void Open(const std::string& path);
    // The text of parameter (searched by name) of stream number of the given kind; empty when
    // the file has no such stream or property.
    std::string Get(MediaInfoStream kind, size_t number, const char* parameter) const;

private:
    CMediaInfoLib& m_lib;
    void* m_handle = nullptr;
};

}  // namespace quarvik
