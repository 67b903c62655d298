// What the flash, pattern and level checks (kinds 6-10) cost a content check: the processor
// time (user + system, every thread) of a check of each file with those kinds off and on,
// against the ffmpeg tool decoding the same file alone. Best of RUNS rounds each; the three
// take turns within a round. Prints the time the kinds add as a share of the decode time,
// with the target (at most 5 %), never enforced.
//
//   quarvik-safety-cost [--runs N] FILE...
#include "CheckRun.h"
#include "ContentParams.h"
#include "FaultKinds.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace quarvik;

namespace {

double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

double CpuOf(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// Processor time of one content check of path; -1 when it did not finish.
double CheckCpu(const std::string& path, bool safetyOn)
{
    ContentParam_t table[kContentParamCount];
    SetDefaultContentParams(table);
    for (int code = kFaultFlash; code <= kFaultGamutLevel; ++code)
        table[code].nEnable = safetyOn ? 1 : 0;
    char params[] = "/tmp/quarvik-safety-cost-XXXXXX";
    const int fd = mkstemp(params);
    if (fd < 0)
        return -1;
    close(fd);
    SaveContentParams(table, params);
    double cpu = -1;
    {
        CFFCheck engine(params);
        const double before = CpuOf(RUSAGE_SELF);
        if (RunContentCheck(engine, path.c_str(), -1, 1) == CheckOutcome::kFinished)
            cpu = CpuOf(RUSAGE_SELF) - before;
    }
    unlink(params);
    return cpu;
}

double DecodeCpu(const std::string& path)
{
    const std::string command = "ffmpeg -nostdin -v error -threads 0 -i '" + path + "' -f null -";
    const double before = CpuOf(RUSAGE_CHILDREN);
    if (std::system(command.c_str()) != 0)
        return -1;
    return CpuOf(RUSAGE_CHILDREN) - before;
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = 3;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            files.push_back(argv[i]);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: quarvik-safety-cost [--runs N] FILE...\n");
        return 2;
    }
    std::printf("%-22s %10s %12s %12s %10s %14s\n", "file", "decode s", "check off s", "check on s", "added s",
                "added/decode");
    int status = 0;
    for (const std::string& file : files) {
        double decode = 1e9, off = 1e9, on = 1e9;
        for (int r = 0; r < runs; ++r) {
            const double d = DecodeCpu(file), a = CheckCpu(file, false), b = CheckCpu(file, true);
            if (d < 0 || a < 0 || b < 0) {
                std::fprintf(stderr, "quarvik-safety-cost: %s could not be decoded or checked\n", file.c_str());
                status = 2;
                break;
            }
            decode = std::min(decode, d), off = std::min(off, a), on = std::min(on, b);
        }
        if (status != 0)
            continue;
        const double added = on - off;
        const std::string name = file.substr(file.find_last_of('/') + 1);
        std::printf("%-22s %10.2f %12.2f %12.2f %10.2f %8.1f %% (<= 5 %% %s)\n", name.c_str(), decode, off, on, added,
                    100 * added / decode, added <= 0.05 * decode ? "ok" : "MISSED");
    }
    std::printf("processor time (user + system, all threads), best of %d\n", runs);
    return status;
}
