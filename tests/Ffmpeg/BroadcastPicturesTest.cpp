// The picture faults on material as stations deliver it: detailed moving pictures with grain
// (a fractal zoom with temporal noise), coded long-GOP at broadcast bit rates, with planted
// freezes, bars of several kinds, break-up and clean stretches. Every planted fault is found
// with its begin within one second, and nothing else is reported.
#include "CheckRun.h"
#include "EngineTestSupport.h"
#include "FaultKinds.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quarvik {
namespace {

namespace fs = std::filesystem;

// Programme: a fractal zoom drawn small and scaled up (detail at every size), with grain that
// changes every picture.
std::string Programme(const std::string& size, int seconds, int fromSecond = 0)
{
    return "mandelbrot=size=360x288:rate=25:maxiter=160:end_scale=0.02:end_pts=300,trim=start=" +
           std::to_string(fromSecond) + ":duration=" + std::to_string(seconds) +
           ",setpts=PTS-STARTPTS,scale=" + size + ",setsar=1,noise=alls=12:allf=t+u";
}

const char* const kLogo =
    "drawbox=x=iw*0.8:y=ih*0.05:w=iw*0.12:h=ih*0.1:c=white@0.8:t=fill,"
    "drawbox=x=iw*0.1:y=ih*0.8:w=iw*0.8:h=ih*0.08:c=black@0.7:t=fill";
const char* const kMpeg2Sd =
    "-c:v mpeg2video -pix_fmt yuv422p -b:v 15M -minrate 15M -maxrate 15M -bufsize 1835k -g 12 -bf 2 "
    "-flags +ilme+ildct -top 1";

// A copy of an MPEG-TS file without count transport packets of its video stream, taken from
// the middle of the first picture (in file order) at or after second: a burst of datagrams
// lost on the network. False when the file has no such picture.
bool LosePicturePackets(const std::string& from, const std::string& to, double second, int count)
{
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, from.c_str(), nullptr, nullptr) < 0)
        return false;
    int64_t at = -1;
    int pid = -1;
    const int video =
        avformat_find_stream_info(ctx, nullptr) >= 0 ? av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) : -1;
    if (video >= 0) {
        const AVStream* stream = ctx->streams[video];
        pid = stream->id;
        const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
        AVPacket* packet = av_packet_alloc();
        while (at < 0 && av_read_frame(ctx, packet) >= 0) {
            if (packet->stream_index == video && packet->pts != AV_NOPTS_VALUE && packet->pos >= 0 &&
                (packet->pts - start) * av_q2d(stream->time_base) >= second)
                at = (packet->pos + packet->size / 2) / 188 * 188;
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
    }
    avformat_close_input(&ctx);
    if (at < 0)
        return false;
    std::ifstream in(from, std::ios::binary);
    const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::ofstream out(to, std::ios::binary);
    for (size_t i = 0; i + 188 <= data.size(); i += 188) {
        const auto byte = [&data, i](size_t k) { return static_cast<unsigned char>(data[i + k]); };
        const int packetPid = (byte(1) & 0x1f) << 8 | byte(2);
        if (static_cast<int64_t>(i) >= at && count > 0 && packetPid == pid) {
            --count;
            continue;
        }
        out.write(data.data() + i, 188);
    }
    return count == 0 && out.good();
}

struct Planted {
    int32_t code;
    int32_t begin;  // check frame where the fault begins
};

class BroadcastPicturesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_folder = fs::temp_directory_path() / ("quarvik-broadcast-" + std::to_string(::getpid()));
        fs::create_directories(s_folder);
    }
    static void TearDownTestSuite() { fs::remove_all(s_folder); }

    static bool Ffmpeg(const std::string& args)
    {
        const std::string command = "cd '" + s_folder.string() + "' && ffmpeg -nostdin -v error -y " + args + " 2>&1";
        return std::system(command.c_str()) == 0;
    }
    static std::string Path(const std::string& name) { return (s_folder / name).string(); }

    // The picture fault events of a check with the default parameters.
    std::vector<Event> Check(const std::string& name)
    {
        std::vector<Event> pictures;
        for (const Event& e : DefaultCheckEvents(Path(name))) {
            if (e.code >= kFaultStillFrame && e.code <= kFaultMosaic)
                pictures.push_back(e);
        }
        return pictures;
    }

    void ExpectExactly(const std::string& name, const std::vector<Planted>& planted)
    {
        const std::vector<Event> events = Check(name);
        std::string found;
        for (const Event& e : events)
            found += " " + std::to_string(e.code) + "@" + std::to_string(e.begin) + ".." + std::to_string(e.end);
        ASSERT_EQ(events.size(), planted.size()) << name << ":" << found;
        for (size_t i = 0; i < planted.size(); ++i) {
            EXPECT_EQ(events[i].code, planted[i].code) << name << ":" << found;
            EXPECT_NEAR(events[i].begin, planted[i].begin, kCheckFramesPerSecond) << name << ":" << found;
        }
    }

    static fs::path s_folder;
};

fs::path BroadcastPicturesTest::s_folder;

TEST_F(BroadcastPicturesTest, SdMpeg2MxfBarsAndAFreezeThroughTheRefreshes)
{
    // SMPTE SD bars with a logo and a caption (0-2 s), then programme whose pictures 125-224
    // repeat picture 124: a 4 s freeze the coder refreshes at every I picture.
    ASSERT_TRUE(Ffmpeg("-f lavfi -i smptebars=size=720x576:rate=25:duration=2 -f lavfi -i " + Programme("720x576", 8) +
                       " -filter_complex \"[0:v]" + kLogo +
                       "[b];[1:v]split[p][q];[p][q]freezeframes=first=75:last=174:replace=74[f];[b][f]concat=n=2:v=1\" " +
                       kMpeg2Sd + " -f mxf sd.mxf"));
    ExpectExactly("sd.mxf", {{kFaultColourBars, 0}, {kFaultStillFrame, 125}});
}

TEST_F(BroadcastPicturesTest, HdH264Mp4HdBarsAndAFreeze)
{
    // SMPTE HD bars (0-1 s), then programme whose pictures 50-149 repeat picture 49, coded
    // with B pictures and a GOP of 50.
    ASSERT_TRUE(Ffmpeg("-f lavfi -i smptehdbars=size=1920x1080:rate=25:duration=1 -f lavfi -i " +
                       Programme("1920x1080", 6) +
                       " -filter_complex \"[1:v]split[p][q];[p][q]freezeframes=first=25:last=124:replace=24[f];"
                       "[0:v]setsar=1[b];[b][f]concat=n=2:v=1,format=yuv420p\" "
                       "-c:v libx264 -preset veryfast -b:v 12M -maxrate 15M -bufsize 15M -g 50 -bf 3 -f mp4 hd.mp4"));
    ExpectExactly("hd.mp4", {{kFaultColourBars, 0}, {kFaultStillFrame, 50}});
}

TEST_F(BroadcastPicturesTest, StarvedEncodeIsBreakUpAndConcealedPacketLossIsNot)
{
    // 2 s of programme at 8 Mbit/s, 2 s of a detailed, very grainy stretch starved at
    // 300 kbit/s, 2 s at 8 Mbit/s again: one MPEG-2 stream in MPEG-TS.
    const char* const coding = "-c:v mpeg2video -pix_fmt yuv420p -g 12 -bf 2 ";
    ASSERT_TRUE(Ffmpeg("-f lavfi -i " + Programme("720x576", 2) + " " + coding + "-b:v 8M -maxrate 8M -bufsize 1835k a.m2v"));
    ASSERT_TRUE(Ffmpeg("-f lavfi -i mandelbrot=size=720x576:rate=25:maxiter=160:end_scale=0.02:end_pts=300,"
                       "trim=duration=2,noise=alls=40:allf=t+u " + std::string(coding) +
                       "-b:v 300k -maxrate 300k -bufsize 600k b.m2v"));
    ASSERT_TRUE(Ffmpeg("-f lavfi -i " + Programme("720x576", 2, 4) + " " + coding + "-b:v 8M -maxrate 8M -bufsize 1835k c.m2v"));
    {
        std::ofstream joined(Path("all.m2v"), std::ios::binary);
        for (const char* part : {"a.m2v", "b.m2v", "c.m2v"})
            joined << std::ifstream(Path(part), std::ios::binary).rdbuf();
    }
    ASSERT_TRUE(Ffmpeg("-fflags +genpts -r 25 -i all.m2v -c copy -f mpegts starved.ts"));
    ExpectExactly("starved.ts", {{kFaultMosaic, 50}});

    // Packets lost in the last stretch: the decoder conceals them from the pictures around,
    // which shows no blocks; that is a decoding error, not mosaic.
    fs::copy_file(Path("starved.ts"), Path("damaged.ts"));
    {
        std::fstream file(Path("damaged.ts"), std::ios::in | std::ios::out | std::ios::binary);
        const std::streamoff size = static_cast<std::streamoff>(fs::file_size(Path("damaged.ts")));
        const std::string garbage(184, '\x5a');
        for (std::streamoff at = size * 8 / 10 / 188 * 188; at < size * 8 / 10 + 188 * 300; at += 188 * 4) {
            file.seekp(at + 4);
            file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
        }
    }
    ExpectExactly("damaged.ts", {{kFaultMosaic, 50}});
}

TEST_F(BroadcastPicturesTest, PacketsLostAfterACutAreBreakUpWhereTheyShow)
{
    // 2 s of programme, a cut to a test pattern under grain (2 s), in MPEG-TS as stations send
    // it; 8 transport packets of the first picture after the cut lost. H.264 (one slice a
    // picture) loses the rest of the picture: the decoder draws the row above the loss down
    // over it, and the pictures predicted from it carry the streaks on to the next key
    // picture: break-up from the cut on. MPEG-2 loses the rest of one slice and conceals it
    // from the picture before, which differs by a few grey levels along one band: a decoding
    // error, not break-up.
    struct Case {
        const char* name;
        std::string coding;
        std::vector<Planted> planted;
    } const cases[] = {
        {"lost-h264.ts", "-c:v libx264 -preset veryfast -pix_fmt yuv420p -b:v 6M -maxrate 6M -bufsize 6M -g 25 -bf 3",
         {{kFaultMosaic, 50}}},
        {"lost-mpeg2.ts", std::string(kMpeg2Sd), {}},
    };
    for (const Case& c : cases) {
        const std::string whole = std::string("whole-") + c.name;
        ASSERT_TRUE(Ffmpeg("-f lavfi -i " + Programme("720x576", 2) +
                           " -f lavfi -i testsrc2=size=720x576:rate=25:duration=2 -filter_complex "
                           "\"[1:v]setsar=1,noise=alls=12:allf=t+u[t];[0:v][t]concat=n=2:v=1\" " +
                           c.coding + " -f mpegts " + whole));
        ExpectExactly(whole, {});
        ASSERT_TRUE(LosePicturePackets(Path(whole), Path(c.name), 2.0, 8)) << c.name;
        ExpectExactly(c.name, c.planted);
    }
}

TEST_F(BroadcastPicturesTest, NothingOnLiveShotsTestCardsAndBlockyGraphics)
{
    // Programme (2 s), a locked-off live shot: one source picture under camera noise of
    // sigma 2 (4 s), pixel art held still (2 s), a picket fence (1 s), a test card that is not
    // bars (1 s), a chequerboard of 16-pixel squares (1 s). None of it is a fault.
    ASSERT_TRUE(Ffmpeg(
        "-f lavfi -i " + Programme("720x576", 2) + " -f lavfi -i " + Programme("720x576", 4, 3) +
        " -f lavfi -i mandelbrot=size=90x72:rate=25:maxiter=100 "
        "-f lavfi -i color=c=black:size=720x576:rate=25:duration=1 -f lavfi -i testsrc=size=720x576:rate=25:duration=1 "
        "-f lavfi -i color=c=black:size=720x576:rate=25:duration=1 "
        "-filter_complex \"[1:v]split[p][q];[p][q]freezeframes=first=1:last=99:replace=0,noise=alls=7:allf=t+u[live];"
        "[2:v]trim=end_frame=1,loop=loop=49:size=1,scale=720:576:flags=neighbor,setpts=N/25/TB[art];"
        "[3:v]geq=lum='if(lt(mod(X\\,90)\\,45)\\,200\\,40)':cb=128:cr=128[fence];"
        "[5:v]geq=lum='if(mod(floor(X/16)+floor(Y/16)\\,2)\\,220\\,30)':cb=128:cr=128[chequer];"
        "[0:v][live][art][fence][4:v][chequer]concat=n=6:v=1\" " +
        std::string(kMpeg2Sd) + " -f mxf clean.mxf"));
    ExpectExactly("clean.mxf", {});
}

}  // namespace
}  // namespace quarvik
