// An HTML file written in GBK from UTF-8 text, as raw bytes (no line-end translation).
//
// A write either goes out whole or fails; after the first failure (short write, full disk,
// failed close) every further write fails too and Error() names the file and the reason.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace quarvik {

class GbkFile {
public:
    GbkFile() = default;
    ~GbkFile();
    GbkFile(const GbkFile&) = delete;
    GbkFile& operator=(const GbkFile&) = delete;

    // Creates or replaces path.
    bool Open(const std::string& path);
    bool Write(std::string_view utf8);
    // Flushes and closes; false when the file did not get every byte.
    bool Close();
    // Closes and deletes the file.
    void Remove();

    const std::string& Error() const { return m_error; }

private:
    bool Fail(const char* what, int error);

    std::FILE* m_file = nullptr;
    std::string m_path;
    std::string m_error;
};

}  // namespace quarvik
