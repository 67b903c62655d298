// Damaged copies of the generated test media, and where their video packets lie.
#pragma once

#include "EngineTestSupport.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quarvik {

// Where the video packets of a file lie: byte position and size of each, in file order.
inline std::vector<std::pair<int64_t, int>> VideoPayloads(const std::string& path)
{
    std::vector<std::pair<int64_t, int>> payloads;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
        return payloads;
    const int video = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(ctx, packet) >= 0) {
        if (packet->stream_index == video && packet->pos >= 0)
            payloads.emplace_back(packet->pos, packet->size);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&ctx);
    return payloads;
}

// A damaged copy of a test file, removed with the object.
class DamagedCopy {
public:
    explicit DamagedCopy(const std::string& name)
        : m_path(std::filesystem::temp_directory_path() / ("quarvik-damaged-" + std::to_string(::getpid()) + "-" + name))
    {
        std::filesystem::copy_file(MediaPath(name), m_path, std::filesystem::copy_options::overwrite_existing);
    }
    ~DamagedCopy() { std::filesystem::remove(m_path); }
    const std::string& Path() const { return m_path; }

    // Overwrites the payload of video packets first..last (in file order) with zeros.
    void ZeroPictures(size_t first, size_t last)
    {
        const auto payloads = VideoPayloads(m_path);
        std::fstream file(m_path, std::ios::in | std::ios::out | std::ios::binary);
        for (size_t i = first; i <= last && i < payloads.size(); ++i) {
            file.seekp(payloads[i].first);
            const std::string zeros(static_cast<size_t>(payloads[i].second), '\0');
            file.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
        }
    }
    // Overwrites count bytes from offset with zeros, or with their bits flipped.
    void Overwrite(int64_t offset, size_t count, bool flip)
    {
        std::fstream file(m_path, std::ios::in | std::ios::out | std::ios::binary);
        std::string bytes(count, '\0');
        file.seekg(offset);
        file.read(bytes.data(), static_cast<std::streamsize>(count));
        for (char& b : bytes)
            b = flip ? static_cast<char>(~b) : '\0';
        file.seekp(offset);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    // Keeps the first bytes only (a transfer cut off).
    void CutAt(int64_t offset) { std::filesystem::resize_file(m_path, static_cast<uintmax_t>(offset)); }
    // Drops the first bytes (a stream joined midway).
    void DropHead(int64_t count)
    {
        std::ifstream in(m_path, std::ios::binary);
        in.seekg(count);
        const std::string rest{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        in.close();
        std::ofstream(m_path, std::ios::binary | std::ios::trunc) << rest;
    }
    int64_t Size() const { return static_cast<int64_t>(std::filesystem::file_size(m_path)); }
    // Cuts the file where its first picture begins: only the headers stay.
    void KeepHeadersOnly()
    {
        const auto payloads = VideoPayloads(m_path);
        if (!payloads.empty())
            std::filesystem::resize_file(m_path, static_cast<uintmax_t>(payloads.front().first));
    }

private:
    std::string m_path;
};

// Seconds from the first video packet's time to that of the last video packet that begins at
// or before offset in the file: where in the material damage at that byte lies.
inline double VideoTimeAt(const std::string& path, int64_t offset)
{
    double first = -1.0, at = 0.0;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
        return -1.0;
    const int video = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(ctx, packet) >= 0) {
        if (packet->stream_index == video && packet->pts != AV_NOPTS_VALUE) {
            const double t = packet->pts * av_q2d(ctx->streams[video]->time_base);
            if (first < 0.0 || t < first)
                first = t;
            if (packet->pos >= 0 && packet->pos <= offset)
                at = std::max(at, t);
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&ctx);
    return first < 0.0 ? -1.0 : at - first;
}

}  // namespace quarvik
