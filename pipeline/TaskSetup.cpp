#include "TaskSetup.h"

#include "FolderSource.h"
#include "FormatCheck.h"
#include "FtpSource.h"
#include "RemovableSource.h"
#include "UdpSource.h"
#include "SqliteDb.h"
#include "TemplReaders.h"

#include <memory>
#include <vector>

namespace quarvik {
namespace {

struct StoredTemplate {
    MonSyntax_t syntax;
    std::vector<MonSyntaxItem_t> items;
};

class NoticeForwarder : public IFormatNoticeSink {
public:
    explicit NoticeForwarder(const std::function<void(const ResultNotify_t&)>& notify) : m_notify(notify) {}
    void OnFormatNotice(const ResultNotify_t& notice) override { m_notify(notice); }

private:
    const std::function<void(const ResultNotify_t&)>& m_notify;
};

// Fetches the start of remote material by its kind of address.
class CRemoteFetcher : public ICheckFetcher {
public:
    bool Fetch(const SubTaskInfo_t& subTask, const std::string& localPath, int64_t maxBytes) override
    {
        const std::string_view address = subTask.szFilename;
        if (address.starts_with("ftp://"))
            return m_ftp.Fetch(subTask, localPath, maxBytes);
        if (address.starts_with("udp://"))
            return m_udp.Fetch(subTask, localPath, maxBytes);
        return false;
    }

private:
    CFtpFetcher m_ftp;
    CUdpFetcher m_udp;
};

}  // namespace

std::shared_ptr<ICheckFetcher> MakeRemoteFetcher()
{
    return std::make_shared<CRemoteFetcher>();
}

SourceBodyFn FolderSourceBody(const MonObj_t& target)
{
    return [target](CWorkerThread& self, const HandOverFn& handOver) {
        CFolderSource source(target, [&](const AcFtpFileItem_t& file) { handOver(file.szUrl, file.llFileSize); });
        source.Run(self);
    };
}

FormatCheckFn MakeFormatCheck(int32_t nSyntaxID, std::shared_ptr<ICheckFetcher> fetcher)
{
    auto stored = std::make_shared<StoredTemplate>();
    CSqliteDb db;
    if (!db.OpenTemplDb() || !LoadSyntax(db, nSyntaxID, stored->syntax))
        return {};
    stored->items = LoadSyntaxItems(db, nSyntaxID, SyntaxItemColumns::kForCheck);
    stored->syntax.nCount = static_cast<int32_t>(stored->items.size());
    stored->syntax.pItems = stored->items.empty() ? nullptr : stored->items.data();
    return [stored, fetcher](SubTaskInfo_t& subTask, const std::function<void(const ResultNotify_t&)>& notify) {
        NoticeForwarder sink(notify);
        return CheckFileFormat(subTask, stored->syntax, sink, fetcher.get());
    };
}

bool LoadTaskSetup(const MonTask_t& task, CheckRunnerSetup& setup, std::string& error,
                   std::shared_ptr<CVolumeMailbox> volumes)
{
    setup = CheckRunnerSetup{};
    setup.kind = ListKind::kTask;
    setup.task = task;
    MonObj_t target{};
    CSqliteDb db;
    if (!db.OpenTemplDb() || !LoadTarget(db, task.nTargetID, target)) {
        error = "the target of the task does not exist";
        return false;
    }
    setup.targetType = target.nType;
    setup.fetcher = MakeRemoteFetcher();
    switch (target.nType) {
    case kTargetFolder:
        setup.source = FolderSourceBody(target);
        break;
    case kTargetFtp:
        setup.source = FtpSourceBody(target);
        setup.downloads = [](CWorkerThread& self, IDispatcher& home, CSubTaskList& list) {
            RunFtpDownloads(self, home, list);
        };
        break;
    case kTargetUdp:
        setup.source = UdpSourceBody(target);
        break;
    case kTargetRemovable: {
        const MountTablePaths paths = MountTablePathsFromEnvironment();
        setup.makeSource = [target, paths, volumes](IDispatcher& home, CSubTaskList& list) {
            return RemovableSourceBody(target, HomeListLink(home, list), paths, volumes);
        };
        break;
    }
    default:
        error = "targets of this kind cannot be watched here yet";
        return false;
    }
    if (task.bSyntax) {
        setup.formatCheck = MakeFormatCheck(task.nSyntaxID, setup.fetcher);
        if (!setup.formatCheck) {
            error = "the format template of the task does not exist";
            return false;
        }
    }
    return true;
}

}  // namespace quarvik
