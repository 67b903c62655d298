// Flashes, red flashes, regular patterns and broadcast-safe levels found by the whole engine
// in small clips the ffmpeg tool makes here, with the default parameters: every clip fails on
// exactly the kinds it should, at the right times in check frames, whatever its frame rate;
// colour bars, grey, slow changes and realistic programme in broadcast formats pass.
#include "CheckRun.h"
#include "EngineTestSupport.h"
#include "FaultKinds.h"
#include "FFCapture.h"
#include "LevelTests.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace quarvik {
namespace {

struct Expected {
    int32_t code, begin, end;
};

struct Clip {
    const char* name;      // file name, with the container's extension
    std::string source;    // lavfi input and filters, as the ffmpeg tool takes them
    std::string encode;    // codec and format options
    std::vector<Expected> events;  // of kinds 6-10 and 12, in order
};

// Full screen black and white, toggling 2 x hz times a second.
std::string BlackWhite(double hz, int seconds, const char* rate = "25")
{
    return "color=c=black:s=320x180:r=" + std::string(rate) + ":d=" + std::to_string(seconds) +
           ",format=yuv420p,geq=lum='if(lt(mod(T*" + std::to_string(2 * hz) + ",2),1),16,235)':cb=128:cr=128";
}

// 320 x 180 at 25 per second, the luma (and chroma) of each point given as geq expressions.
std::string Drawn(const std::string& lum, int seconds = 2, const std::string& cb = "128", const std::string& cr = "128")
{
    return "color=c=black:s=320x180:r=25:d=" + std::to_string(seconds) + ",format=yuv420p,geq=lum='" + lum +
           "':cb='" + cb + "':cr='" + cr + "'";
}

const char* const kLossless = "-c:v ffv1 -f matroska";
// Detailed moving pictures with film grain, as real programme is: colours at three quarters of
// full saturation, as programme has them, and grain on the luma. (testsrc2's fully saturated
// colours with grain on the colour, or with the ringing of their sharp edges at 8 Mbit/s, do
// leave the gamut over more than 1 % of the picture.)
const char* const kProgramme = "testsrc2=s=720x576:r=25:d=5,hue=s=0.75,noise=c0s=14:c0f=t+u";

std::vector<Clip> Clips()
{
    return {
        // Fewer than two flashes a second never fail; two to three fail only when sustained
        // (four seconds of five) and are a warning when shorter; more than three fail at once.
        // The event runs from the first to the last transition of the failing windows (or of
        // the flashing warned of); flashing that fails is not also a warning.
        {"bw-1hz-2s.mkv", BlackWhite(1, 2), kLossless, {}},
        {"bw-1hz-6s.mkv", BlackWhite(1, 6), kLossless, {}},
        {"bw-2hz-2s.mkv", BlackWhite(2, 2), kLossless, {{kFaultFlashWarning, 7, 44}}},
        {"bw-2hz-6s.mkv", BlackWhite(2, 6), kLossless, {{kFaultFlash, 7, 144}}},
        {"bw-2.5hz-2s.mkv", BlackWhite(2.5, 2), kLossless, {{kFaultFlashWarning, 5, 45}}},
        {"bw-2.5hz-6s.mkv", BlackWhite(2.5, 6), kLossless, {{kFaultFlash, 5, 145}}},
        {"bw-3hz-2s.mkv", BlackWhite(3, 2), kLossless, {{kFaultFlashWarning, 5, 46}}},
        {"bw-3hz-6s.mkv", BlackWhite(3, 6), kLossless, {{kFaultFlash, 5, 146}}},
        {"bw-4hz-2s.mkv", BlackWhite(4, 2), kLossless, {{kFaultFlash, 4, 47}}},
        {"bw-4hz-6s.mkv", BlackWhite(4, 6), kLossless, {{kFaultFlash, 4, 147}}},
        {"bw-10hz-2s.mkv", BlackWhite(10, 2), kLossless, {{kFaultFlash, 2, 49}}},
        {"bw-10hz-6s.mkv", BlackWhite(10, 6), kLossless, {{kFaultFlash, 2, 149}}},
        // The window slides at the material's own rate; times stay in 25ths of a second.
        {"bw-4hz-50p.mkv", BlackWhite(4, 2, "50"), kLossless, {{kFaultFlash, 3, 47}}},
        {"bw-4hz-2997.mkv", BlackWhite(4, 2, "30000/1001"), kLossless, {{kFaultFlash, 3, 47}}},
        // Only a quarter of the screen and more flashes; a dim flash (below 20 cd/m²) does not.
        {"area-20.mkv", Drawn("if(lt(X,W/2)*lt(Y,H*0.4)*lt(mod(T*10,2),1),235,16)"), kLossless, {}},
        {"area-30.mkv", Drawn("if(lt(X,W/2)*lt(Y,H*0.6)*lt(mod(T*10,2),1),235,16)"), kLossless,
         {{kFaultFlash, 3, 49}}},
        {"dim.mkv", Drawn("if(lt(mod(T*10,2),1),16,70)"), kLossless, {}},
        // Saturated red against black flashes red (and too little luminance for a flash);
        // red rising slowly over four seconds does not.
        {"red-black.mkv",
         "color=c=black:s=320x180:r=25:d=2,format=rgb24,geq=r='if(lt(mod(T*10,2),1),255,0)':g=0:b=0,format=yuv420p",
         kLossless, {{kFaultRedFlash, 3, 49}}},
        // Red and black two and a half times a second for 2 s: the luminance and the red
        // measure warn of the same flashing, which is one warning.
        {"red-black-warn.mkv",
         "color=c=black:s=320x180:r=25:d=2,format=rgb24,geq=r='if(lt(mod(T*5,2),1),255,0)':g=0:b=0,format=yuv420p",
         kLossless, {{kFaultFlashWarning, 5, 45}}},
        {"red-ramp.mkv", "color=c=black:s=320x180:r=25:d=4,format=rgb24,geq=r='min(255,T*64)':g=0:b=0,format=yuv420p",
         kLossless, {}},
        {"grey.mkv", "color=c=gray:s=320x180:r=25:d=2,format=yuv420p", kLossless, {}},
        // Stripes over most of the screen are a pattern; over a small part they are not.
        {"stripes.mkv", Drawn("if(lt(mod(X,16),8),235,16)"), kLossless, {{kFaultPattern, 0, 49}}},
        {"stripes-small.mkv", Drawn("if(lt(X,W/4)*lt(Y,H/4),if(lt(mod(X,8),4),235,16),128)"), kLossless, {}},
        // Luma at 104 % over 2 % of the picture is illegal, over 0.5 % within the tolerance; a
        // saturated colour whose R, G, B leave -5 ... 105 % is out of gamut.
        {"luma-2pc.mkv", Drawn("if(lt(X,W/5)*lt(Y,H/10),244,128)"), kLossless, {{kFaultLumaLevel, 0, 49}}},
        {"luma-05pc.mkv", Drawn("if(lt(X,W/10)*lt(Y,H/20),244,128)"), kLossless, {}},
        {"gamut.mkv", Drawn("128", 2, "if(lt(X,W*0.3)*lt(Y,H/3),16,128)", "if(lt(X,W*0.3)*lt(Y,H/3),240,128)"),
         kLossless, {{kFaultGamutLevel, 0, 49}}},
        // Colour bars lie within the broadcast-safe range, their PLUGE (-4 % in SD, -2 % in HD)
        // included.
        {"smpte-bars.mkv", "smptebars=s=320x180:r=25:d=2,format=yuv420p", kLossless, {}},
        {"ebu-75-bars.mkv", "pal75bars=s=320x180:r=25:d=2,format=yuv420p", kLossless, {}},
        {"ebu-100-bars.mkv", "pal100bars=s=320x180:r=25:d=2,format=yuv420p", kLossless, {}},
        {"smpte-hd-bars.mxf", "smptehdbars=s=1280x720:r=25:d=1,format=yuv422p",
         "-c:v mpeg2video -b:v 50M -minrate 50M -maxrate 50M -bufsize 2M -g 12 -f mxf", {}},
        // Realistic programme at broadcast rates in the stations' formats: nothing, unless it
        // flashes (1 to 3 s, five times a second) or its levels are raised (R, G and B with it).
        {"programme.mxf", std::string(kProgramme) + ",format=yuv422p",
         "-c:v mpeg2video -b:v 50M -minrate 50M -maxrate 50M -bufsize 2M -g 12 -f mxf", {}},
        {"programme.mp4", std::string(kProgramme) + ",format=yuv420p",
         "-c:v libx264 -preset veryfast -b:v 8M -maxrate 8M -bufsize 8M -f mp4", {}},
        {"programme.mov", std::string(kProgramme) + ",format=yuv422p10le", "-c:v prores_ks -profile:v 2 -f mov", {}},
        {"programme.dv", std::string(kProgramme) + ",format=yuv420p", "-c:v dvvideo -f dv", {}},
        {"programme-flash.mp4",
         std::string(kProgramme) + ",drawbox=c=white:t=fill:enable='between(t,1,3)*lt(mod(t*10,2),1)',format=yuv420p",
         "-c:v libx264 -preset veryfast -b:v 8M -maxrate 8M -bufsize 8M -f mp4", {{kFaultFlash, 25, 76}}},
        {"programme-flicker.mxf",
         std::string(kProgramme) + ",drawbox=c=white:t=fill:enable='between(t,1,3)*lt(mod(t*5,2),1)',format=yuv422p",
         "-c:v mpeg2video -b:v 50M -minrate 50M -maxrate 50M -bufsize 2M -g 12 -f mxf", {{kFaultFlashWarning, 30, 75}}},
        {"programme-hot.mov", std::string(kProgramme) + ",lutyuv=y='val*1.3',format=yuv422p10le",
         "-c:v prores_ks -profile:v 2 -f mov", {{kFaultLumaLevel, 0, 124}, {kFaultGamutLevel, 0, 124}}},
    };
}

std::string Folder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/quarvik-safety-XXXXXX";
        return std::string(mkdtemp(pattern) ? pattern : "/tmp");
    }();
    return folder;
}

std::string Make(const Clip& clip)
{
    const std::string path = Folder() + "/" + clip.name;
    if (!std::filesystem::exists(path)) {
        const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i \"" + clip.source + "\" " + clip.encode +
                                    " '" + path + "'";
        if (std::system(command.c_str()) != 0)
            return {};
    }
    return path;
}

class PictureSafetyTest : public ::testing::Test {
protected:
    static void TearDownTestSuite() { std::filesystem::remove_all(Folder()); }

    // The events of kinds 6-10 and 12 the engine reports for a file, with the default parameters.
    static std::vector<Event> SafetyEvents(const std::string& path)
    {
        std::vector<Event> events;
        for (const Event& e : DefaultCheckEvents(path)) {
            if ((e.code >= kFaultFlash && e.code <= kFaultGamutLevel) || e.code == kFaultFlashWarning)
                events.push_back(e);
        }
        return events;
    }
};

TEST_F(PictureSafetyTest, EveryClipFailsOnExactlyItsKinds)
{
    for (const Clip& clip : Clips()) {
        SCOPED_TRACE(clip.name);
        const std::string path = Make(clip);
        ASSERT_FALSE(path.empty()) << "ffmpeg could not make the clip";
        const std::vector<Event> events = SafetyEvents(path);
        EXPECT_EQ(events.size(), clip.events.size());
        for (size_t i = 0; i < std::min(events.size(), clip.events.size()); ++i) {
            EXPECT_EQ(events[i].code, clip.events[i].code);
            EXPECT_NEAR(events[i].begin, clip.events[i].begin, 1);
            EXPECT_NEAR(events[i].end, clip.events[i].end, 1);
            EXPECT_EQ(events[i].snapshot.size(), cv::Size(160, 120));
        }
    }
}

// The ffmpeg tool's signalstats filter: the share of pixels outside 16-235 (BRNG) and the
// highest luma (YMAX) of the first picture.
bool SignalStats(const std::string& path, double& brng, int& ymax)
{
    const std::string command = "ffmpeg -nostdin -v error -i '" + path +
                                "' -frames:v 1 -vf signalstats=stat=brng,metadata=print:file=- -f null - 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return false;
    char line[256];
    bool gotBrng = false, gotMax = false;
    while (std::fgets(line, sizeof(line), pipe)) {
        gotBrng = gotBrng || std::sscanf(line, "lavfi.signalstats.BRNG=%lf", &brng) == 1;
        gotMax = gotMax || std::sscanf(line, "lavfi.signalstats.YMAX=%d", &ymax) == 1;
    }
    pclose(pipe);
    return gotBrng && gotMax;
}

TEST_F(PictureSafetyTest, OutOfRangeShareAgreesWithSignalstats)
{
    // Luma above 235 over 2 % and 0.5 %, with neutral colour: signalstats counts exactly those
    // pixels out of range, as the level test does with limits of 0 and 100 %.
    for (const char* name : {"luma-2pc.mkv", "luma-05pc.mkv"}) {
        SCOPED_TRACE(name);
        Clip clip;
        for (const Clip& c : Clips())
            if (std::string(c.name) == name)
                clip = c;
        const std::string path = Make(clip);
        double brng = -1;
        int ymax = -1;
        ASSERT_TRUE(SignalStats(path, brng, ymax));
        EXPECT_EQ(ymax, 244);

        CFFCapture capture;
        ASSERT_TRUE(capture.Open(path.c_str()));
        ASSERT_TRUE(capture.SetVideoOut(160, 120));
        const AVFrame* unit = nullptr;
        int got;
        while ((got = capture.ReadFrame(&unit)) != kReadPicture && got != kReadEnd) {
        }
        ASSERT_EQ(got, kReadPicture);
        PictureSamples samples;
        SamplePicture(capture.DecodedPicture(), LevelLimits{0, 100, -100, 200}, samples);
        ASSERT_TRUE(samples.valid);
        EXPECT_NEAR(samples.lumaOutside, brng, 0.002);
        EXPECT_EQ(samples.rgbOutside, 0.0);
    }
}

}  // namespace
}  // namespace quarvik
