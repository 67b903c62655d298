#include "Slurm.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace quarvik {
namespace {

constexpr int kCommandMs = 60000;

struct CommandOutput {
    bool ok = false;  // ran and exited 0
    QString out;
    QString err;
};

CommandOutput Run(const QString& program, const QStringList& arguments)
{
    CommandOutput result;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(kCommandMs)) {
        result.err = program + ": " + process.errorString();
        return result;
    }
    if (!process.waitForFinished(kCommandMs)) {
        process.kill();
        process.waitForFinished(1000);
        result.err = program + ": no answer within " + QString::number(kCommandMs / 1000) + " s";
        return result;
    }
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    result.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return result;
}

TaskPhase PhaseOf(const QString& state)
{
    static const QStringList pending = {"PENDING", "REQUEUED", "REQUEUE_HOLD", "REQUEUE_FED", "SUSPENDED",
                                        "CONFIGURING", "RESV_DEL_HOLD", "STOPPED", "SPECIAL_EXIT"};
    static const QStringList running = {"RUNNING", "COMPLETING", "SIGNALING", "STAGE_OUT", "RESIZING"};
    if (pending.contains(state))
        return TaskPhase::kPending;
    if (running.contains(state))
        return TaskPhase::kRunning;
    if (state == "COMPLETED")
        return TaskPhase::kCompleted;
    return state.isEmpty() ? TaskPhase::kUnknown : TaskPhase::kFailed;
}

// "3", "2-5", "1,3,7-9", each optionally followed by "%N" (the running limit): the indices.
std::vector<size_t> Indices(QString text, size_t count)
{
    std::vector<size_t> indices;
    text = text.section('%', 0, 0);
    for (const QString& part : text.split(',', Qt::SkipEmptyParts)) {
        const QStringList range = part.split('-');
        bool firstOk = false, lastOk = false;
        const qulonglong first = range.value(0).toULongLong(&firstOk);
        const qulonglong last = range.size() > 1 ? range.value(1).toULongLong(&lastOk) : first;
        if (!firstOk || (range.size() > 1 && !lastOk))
            continue;
        for (qulonglong i = first; i <= last && i < count; ++i)
            indices.push_back(static_cast<size_t>(i));
    }
    return indices;
}

void Note(std::map<size_t, TaskState>& states, const std::vector<size_t>& indices, const QString& state,
          const QString& node, QString reason, const QString& exitCode)
{
    TaskState task;
    task.state = state.section(' ', 0, 0).toStdString();  // sacct: "CANCELLED by 0"
    task.phase = PhaseOf(QString::fromStdString(task.state));
    if (node != "(null)" && node != "None" && node != "None assigned")
        task.node = node.toStdString();
    if (reason == "None")
        reason.clear();
    if (task.phase == TaskPhase::kFailed || task.phase == TaskPhase::kCompleted) {
        if (!exitCode.isEmpty() && exitCode != "0:0")
            reason += (reason.isEmpty() ? "" : ", ") + QString("exit code ") + exitCode;
    }
    task.reason = reason.toStdString();
    for (size_t index : indices)
        states.emplace(index, task);
}

QString Field(const QString& line, const char* key)
{
    const QRegularExpression pattern(QString("(?:^| )%1=(\\S*)").arg(key));
    const QRegularExpressionMatch match = pattern.match(line);
    return match.hasMatch() ? match.captured(1) : QString();
}

}  // namespace

bool SubmitArrayJob(const std::string& script, const std::string& logPattern, size_t count,
                    const SubmitOptions& options, std::string& jobId, std::string& error)
{
    QString array = QString("--array=0-%1").arg(count - 1);
    if (options.maxRunning > 0)
        array += QString("%%1").arg(options.maxRunning);
    QStringList arguments = {"--parsable", "--job-name=quarvik-check", array,
                             "--output=" + QString::fromStdString(logPattern)};
    if (!options.partition.empty())
        arguments << "--partition=" + QString::fromStdString(options.partition);
    arguments << QString::fromStdString(options.extra).split(' ', Qt::SkipEmptyParts);
    arguments << QString::fromStdString(script);
    const CommandOutput sbatch = Run("sbatch", arguments);
    // "123" or "123;cluster"
    const QString id = sbatch.out.trimmed().section(';', 0, 0);
    bool numeric = false;
    id.toULongLong(&numeric);
    if (!sbatch.ok || !numeric) {
        error = "sbatch refused the job: " + (sbatch.err.isEmpty() ? sbatch.out.trimmed() : sbatch.err).toStdString();
        return false;
    }
    jobId = id.toStdString();
    return true;
}

bool QueryArrayTasks(const std::string& jobId, size_t count, std::map<size_t, TaskState>& states,
                     std::string& error)
{
    states.clear();
    const QString id = QString::fromStdString(jobId);
    const CommandOutput scontrol = Run("scontrol", {"-o", "show", "job", id});
    // A job the controller has forgotten is "Invalid job id"; anything else is no answer.
    if (!scontrol.ok && !scontrol.err.contains("Invalid job id")) {
        error = "Slurm did not answer: " + scontrol.err.toStdString();
        return false;
    }
    for (const QString& line : scontrol.out.split('\n', Qt::SkipEmptyParts)) {
        if (Field(line, "ArrayJobId") != id)
            continue;
        Note(states, Indices(Field(line, "ArrayTaskId"), count), Field(line, "JobState"), Field(line, "NodeList"),
             Field(line, "Reason"), Field(line, "ExitCode"));
    }
    if (states.size() >= count)
        return true;
    // The controller forgets ended jobs after a while; a cluster with accounting remembers.
    const CommandOutput sacct = Run("sacct", {"-n", "-P", "-X", "-j", id, "--format=JobID,State,NodeList,ExitCode"});
    for (const QString& line : sacct.out.split('\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split('|');
        QString task = fields.value(0).section('_', 1);  // "123_4" or "123_[5-9%2]"
        if (fields.size() < 4 || fields.value(0).section('_', 0, 0) != id || task.isEmpty())
            continue;
        Note(states, Indices(task.remove('[').remove(']'), count), fields[1], fields[2], QString(), fields[3]);
    }
    return true;
}

}  // namespace quarvik
