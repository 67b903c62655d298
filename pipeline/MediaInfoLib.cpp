#include "MediaInfoLib.h"

#include <dlfcn.h>
#include <locale.h>

#include <array>

namespace quarvik {
namespace {

// The whole plain interface, looked up by name. Only four are called, but a library lacking any
// of them is not the one this program was written against, so it is refused.
constexpr std::array<const char*, 28> kEntryPoints = {
    "MediaInfoA_New", "MediaInfoListA_New", "MediaInfoA_Delete", "MediaInfoListA_Delete",
    "MediaInfoA_Open", "MediaInfoListA_Open", "MediaInfoA_Open_Buffer_Init",
    "MediaInfoA_Open_Buffer_Continue", "MediaInfoA_Open_Buffer_Continue_GoTo_Get",
    "MediaInfoA_Open_Buffer_Finalize", "MediaInfoA_Open_NextPacket", "MediaInfoA_Close",
    "MediaInfoListA_Close", "MediaInfoA_Inform", "MediaInfoListA_Inform", "MediaInfoA_GetI",
    "MediaInfoListA_GetI", "MediaInfoA_Get", "MediaInfoListA_Get", "MediaInfoA_Output_Buffer_Get",
    "MediaInfoA_Output_Buffer_GetI", "MediaInfoA_Option", "MediaInfoListA_Option",
    "MediaInfoA_State_Get", "MediaInfoListA_State_Get", "MediaInfoA_Count_Get",
    "MediaInfoListA_Count_Get", "MediaInfoListA_Count_Get_Files",
};

constexpr int kInfoText = 1;
constexpr int kSearchByName = 0;

// The library converts narrow texts (paths, values) with the multibyte functions of the C
// library, which follow the locale: in the "C" locale of the checker and the tests a UTF-8 path
// would not open. Switching the calling thread alone to UTF-8 around each call leaves the
// process locale, which the GUI toolkit owns, untouched.
class Utf8ThreadLocale {
public:
    Utf8ThreadLocale()
    {
        static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        if (utf8)
            m_previous = uselocale(utf8);
    }
    ~Utf8ThreadLocale()
    {
        if (m_previous)
            uselocale(m_previous);
    }
    Utf8ThreadLocale(const Utf8ThreadLocale&) = delete;
    Utf8ThreadLocale& operator=(const Utf8ThreadLocale&) = delete;

private:
    locale_t m_previous = static_cast<locale_t>(0);
};

template <typename Fn>
Fn EntryPoint(void* module, const char* name)
{
    return reinterpret_cast<Fn>(dlsym(module, name));
}

}  // namespace

CMediaInfoLib& CMediaInfoLib::Instance()
{
    static CMediaInfoLib binding(kMediaInfoLibraryName);
    return binding;
}

CMediaInfoLib::CMediaInfoLib(std::string libraryName) : m_libraryName(std::move(libraryName)) {}

int CMediaInfoLib::Load()
{
    std::lock_guard lock(m_mutex);
    if (m_loadCount > 0) {
        ++m_loadCount;
        return 1;
    }
    if (!m_module)
        m_module = dlopen(m_libraryName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_module || !LookUpEntryPoints())
        return -1;
    m_loadCount = 1;
    return 1;
}

bool CMediaInfoLib::EnsureLoaded()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_module)
            return m_loadCount > 0;
    }
    return Load() == 1;
}

int CMediaInfoLib::LoadCount() const
{
    std::lock_guard lock(m_mutex);
    return m_loadCount;
}

bool CMediaInfoLib::IsModuleOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_module != nullptr;
}

bool CMediaInfoLib::LookUpEntryPoints()
{
    for (const char* name : kEntryPoints) {
        if (!dlsym(m_module, name))
            return false;
    }
    m_new = EntryPoint<NewFn>(m_module, "MediaInfoA_New");
    m_delete = EntryPoint<DeleteFn>(m_module, "MediaInfoA_Delete");
    m_open = EntryPoint<OpenFn>(m_module, "MediaInfoA_Open");
    m_get = EntryPoint<GetFn>(m_module, "MediaInfoA_Get");
    m_option = EntryPoint<OptionFn>(m_module, "MediaInfoA_Option");
    return true;
}

CMediaInfo::CMediaInfo(CMediaInfoLib& lib) : m_lib(lib)
{
    if (!m_lib.EnsureLoaded())
        return;
    Utf8ThreadLocale utf8;
    m_handle = m_lib.m_new();
    if (!m_handle)
        return;
    // Without Legacy, current releases answer the classic names (Codec/String, Codec/Info,
    // Codec, PlayTime/String, ...) with empty texts, which would empty the stored properties
    // and make template items on them silently skip.
    m_lib.m_option(m_handle, "Legacy", "1");
}

CMediaInfo::~CMediaInfo()
{
    if (!m_handle)
        return;
    Utf8ThreadLocale utf8;
    m_lib.m_delete(m_handle);
}

void CMediaInfo::Open(const std::string& path)
{
    if (!m_handle)
        return;
    Utf8ThreadLocale utf8;
    m_lib.m_open(m_handle, path.c_str());
}

std::string CMediaInfo::Get(MediaInfoStream kind, size_t number, const char* parameter) const
{
    if (!m_handle)
        return kMediaInfoMissingText;
    Utf8ThreadLocale utf8;
    // The returned text lives in the handle until its next call: copy it at once.
    const char* value = m_lib.m_get(m_handle, kind, number, parameter, kInfoText, kSearchByName);
    return value ? value : "";
}

}  // namespace quarvik
