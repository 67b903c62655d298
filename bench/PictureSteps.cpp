// What each step of the picture analysis that reads the decoded picture costs: decodes the
// first PICTURES pictures of a file (default 100) into memory, then times each step over all of
// them as the check does, best of 5 rounds, in processor time of this thread, per picture. The pictures do not
// fit the caches together, so each step fetches its picture from memory as the check does.
//
//   quarvik-picture-steps FILE [PICTURES]
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "BreakUp.h"
#include "ColourBars.h"
#include "FFCapture.h"
#include "LevelTests.h"
#include "PictureTests.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

using namespace quarvik;

namespace {

double ThreadMicros()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

std::vector<AVFrame*> DecodePictures(const char* path, int count)
{
    std::vector<AVFrame*> pictures;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path, nullptr, nullptr) < 0)
        return pictures;
    const int stream = avformat_find_stream_info(format, nullptr) >= 0
                           ? av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0)
                           : -1;
    const AVCodec* codec = stream >= 0 ? avcodec_find_decoder(format->streams[stream]->codecpar->codec_id) : nullptr;
    AVCodecContext* decoder = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (decoder && avcodec_parameters_to_context(decoder, format->streams[stream]->codecpar) >= 0 &&
        avcodec_open2(decoder, codec, nullptr) >= 0) {
        AVPacket* packet = av_packet_alloc();
        while (static_cast<int>(pictures.size()) < count && av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == stream && avcodec_send_packet(decoder, packet) >= 0) {
                AVFrame* picture = av_frame_alloc();
                while (avcodec_receive_frame(decoder, picture) == 0) {
                    pictures.push_back(picture);
                    picture = av_frame_alloc();
                }
                av_frame_free(&picture);
            }
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
    }
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    return pictures;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: quarvik-picture-steps FILE [PICTURES]\n");
        return 2;
    }
    std::vector<AVFrame*> pictures = DecodePictures(argv[1], argc > 2 ? std::max(1, std::atoi(argv[2])) : 100);
    if (pictures.empty()) {
        std::fprintf(stderr, "quarvik-picture-steps: no picture decoded from %s\n", argv[1]);
        return 2;
    }
    const AVFrame* first = pictures.front();
    std::printf("%zu pictures %dx%d\n", pictures.size(), first->width, first->height);

    const auto time = [&](const char* step, const std::function<void(size_t)>& run) {
        double best = 1e30;
        for (int round = 0; round < 5; ++round) {
            const double start = ThreadMicros();
            for (size_t i = 0; i < pictures.size(); ++i)
                run(i);
            best = std::min(best, (ThreadMicros() - start) / static_cast<double>(pictures.size()));
        }
        std::printf("%-52s %8.1f µs\n", step, best);
    };

    // The scaler as the capture sets it up (nearest picture element, 160 x 120 BGR).
    SwsContext* scaler = sws_getContext(first->width, first->height, static_cast<AVPixelFormat>(first->format), 160,
                                        120, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
    std::vector<cv::Mat> analysis(pictures.size());
    time("scaling to the 160 x 120 analysis picture", [&](size_t i) {
        analysis[i].create(120, 160, CV_8UC3);
        PrefetchRowsToScale(pictures[i], 120);
        uint8_t* data[1] = {analysis[i].data};
        const int linesize[1] = {static_cast<int>(analysis[i].step)};
        sws_scale(scaler, pictures[i]->data, pictures[i]->linesize, 0, pictures[i]->height, data, linesize);
    });
    sws_freeContext(scaler);

    int sink = 0;
    time("break-up: block edges of the decoded luma", [&](size_t i) { sink += BreakUpPerMille(LumaOf(pictures[i])); });
    std::vector<uint8_t> bands;
    time("streaked bands (near damage only)", [&](size_t i) {
        StreakedBands(LumaOf(pictures[i]), bands);
        sink += static_cast<int>(bands.size());
    });
    PictureSamples samples;
    time("flash, pattern and level grid (96 x 54 points)",
         [&](size_t i) { SamplePicture(pictures[i], {-5, 103, -5, 105}, samples); });
    time("colour bars on the analysis picture", [&](size_t i) {
        sink += IsColourBarSignal(analysis[i](AnalysisRegion(160, 120)));
    });

    for (AVFrame*& picture : pictures)
        av_frame_free(&picture);
    return sink == -1;  // keeps the measured calls
}
