#include "GbkFile.h"

#include "HtmlText.h"

#include <cerrno>
#include <cstring>

namespace quarvik {

GbkFile::~GbkFile()
{
    if (m_file)
        std::fclose(m_file);
}

bool GbkFile::Open(const std::string& path)
{
    m_path = path;
    m_error.clear();
    m_file = std::fopen(path.c_str(), "wb");
    return m_file || Fail("cannot create", errno);
}

bool GbkFile::Write(std::string_view utf8)
{
    if (!m_file || !m_error.empty())
        return false;
    const std::string bytes = Utf8ToGbk(utf8);
    return std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size() || Fail("cannot write", errno);
}

bool GbkFile::Close()
{
    if (!m_file)
        return false;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    return (closed || Fail("cannot write", errno)) && m_error.empty();
}

void GbkFile::Remove()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    std::remove(m_path.c_str());
}

bool GbkFile::Fail(const char* what, int error)
{
    if (m_error.empty())
        m_error = std::string(what) + " " + m_path + ": " + std::strerror(error);
    return false;
}

}  // namespace quarvik
