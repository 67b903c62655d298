#include "TaskStates.h"

namespace quarvik {
namespace {

constexpr StateColour kInterruptedColour{255, 128, 0};  // orange: the check did not reach the end
constexpr StateColour kFailedColour{224, 0, 224};       // magenta: nothing or not all was checked or kept

struct StateRow {
    int32_t state;
    const char* task;
    const char* manual;
    const StateColour* failure;
    const char* log = nullptr;  // a log line's name where the list shows none
};

constexpr StateRow kStates[] = {
    {kSubTaskNew, "", "", nullptr, "新文件"},
    {kSubTaskThumbnail, "", "", nullptr, "获取信息中"},
    {kSubTaskInfoError, "获取信息出错", "获取信息出错", &kFailedColour},
    {kSubTaskWaitDownload, "等待下载", "", nullptr},
    {kSubTaskDownloading, "下载中", "", nullptr},
    {kSubTaskDownloadFailed, "下载失败", "", &kFailedColour},
    {kSubTaskWaitCheck, "等待检测中", "等待检测中", nullptr},
    {kSubTaskChecking, "正在检测", "语法检测中", nullptr},
    {kSubTaskFormatInvalid, "格式非法", "语法检测出错", nullptr},
    {kSubTaskFormatValid, "格式合法", "图像检测中", nullptr},
    {kSubTaskPictureError, "图像检测出错", "图像检测出错", &kFailedColour},
    {kSubTaskDone, "检测完毕", "检测完毕", nullptr},
    {kSubTaskInterrupted, "检测中断", "检测中断", &kInterruptedColour},
    {kSubTaskOpenFailed, "无法打开", "无法打开", &kFailedColour},
    {kSubTaskStoreFailed, "无法保存", "无法保存", &kFailedColour},
};

const StateRow* FindState(int32_t state)
{
    for (const StateRow& row : kStates) {
        if (row.state == state)
            return &row;
    }
    return nullptr;
}

}  // namespace

const char* SubTaskStateName(ListKind kind, int32_t state)
{
    const StateRow* row = FindState(state);
    return !row ? "" : kind == ListKind::kTask ? row->task : row->manual;
}

const char* SubTaskStateLogName(ListKind kind, int32_t state)
{
    const char* name = SubTaskStateName(kind, state);
    if (*name)
        return name;
    const StateRow* row = FindState(state);
    return row && row->log ? row->log : "";
}

const StateColour* FailureColourOf(int32_t state)
{
    const StateRow* row = FindState(state);
    return row ? row->failure : nullptr;
}

int32_t ResultStateOf(const ResultInfo_t& result, bool running)
{
    switch (result.nState) {
    case kSubTaskInterrupted:
    case kSubTaskOpenFailed:
    case kSubTaskStoreFailed: return result.nState;
    default: break;
    }
    if (result.tmEnd == 0)
        return running ? kSubTaskChecking : kSubTaskInterrupted;
    return kSubTaskDone;
}

const char* ResultStateName(int32_t state)
{
    return SubTaskStateName(ListKind::kTask, state);
}

}  // namespace quarvik
