#include "ResultFile.h"

#include "TextField.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace quarvik {
namespace {

QString Text(const char* text)
{
    return QString::fromUtf8(text);
}

QJsonValue Picture(const std::vector<uint8_t>& bytes)
{
    if (bytes.empty())
        return QJsonValue::Null;
    const QByteArray raw(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    return QString::fromLatin1(raw.toBase64());
}

std::vector<uint8_t> PictureBytes(const QJsonValue& value)
{
    const QByteArray raw = QByteArray::fromBase64(value.toString().toLatin1());
    return std::vector<uint8_t>(raw.begin(), raw.end());
}

QJsonValue Figure(double figure)
{
    return std::isfinite(figure) ? QJsonValue(figure) : QJsonValue(QJsonValue::Null);
}

double FigureOf(const QJsonValue& value)
{
    return value.isDouble() ? value.toDouble() : std::nan("");
}

template <size_t N>
void CopyString(char (&dest)[N], const QJsonValue& value)
{
    CopyField(dest, value.toString().toStdString());
}

int32_t Int(const QJsonObject& o, const char* key)
{
    return static_cast<int32_t>(o.value(QLatin1String(key)).toInteger());
}

QJsonValue SubTaskJson(const std::optional<SubTaskRow>& subTask)
{
    if (!subTask)
        return QJsonValue::Null;
    const SubTaskRow& row = *subTask;
    const SubTaskInfo_t& s = row.info;
    return QJsonObject{{"szName", Text(s.szName)},
                       {"szFilename", Text(s.szFilename)},
                       {"szNewFilename", Text(s.szNewFilename)},
                       {"llFileSize", static_cast<qint64>(s.llFileSize)},
                       {"nFacePicState", s.nFacePicState},
                       {"nState", s.nState},
                       {"nType", s.nType},
                       {"szSmgIP", Text(s.szSmgIP)},
                       {"szPolicy", Text(s.szPolicy)},
                       {"blobFaceImage", Picture(row.faceImage)}};
}

std::optional<SubTaskRow> ReadSubTask(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    SubTaskRow row{};
    SubTaskInfo_t& s = row.info;
    CopyString(s.szName, o["szName"]);
    CopyString(s.szFilename, o["szFilename"]);
    CopyString(s.szNewFilename, o["szNewFilename"]);
    s.llFileSize = o["llFileSize"].toInteger();
    s.nFacePicState = Int(o, "nFacePicState");
    s.nState = Int(o, "nState");
    s.nType = Int(o, "nType");
    CopyString(s.szSmgIP, o["szSmgIP"]);
    CopyString(s.szPolicy, o["szPolicy"]);
    row.faceImage = PictureBytes(o["blobFaceImage"]);
    return row;
}

QJsonObject ResultJson(const ResultRow& row)
{
    const ResultInfo_t& r = row.info;
    QJsonObject o{{"szName", Text(r.szName)},
                  {"szFilename", Text(r.szFilename)},
                  {"szNewFilename", Text(r.szNewFilename)},
                  {"llFileSize", static_cast<qint64>(r.llFileSize)},
                  {"nFacePicState", r.nFacePicState},
                  {"nState", r.nState},
                  {"nFrame", r.nFrame},
                  {"tmBegin", r.tmBegin},
                  {"tmEnd", r.tmEnd},
                  {"fSpeed", r.fSpeed},
                  {"nFmtError", r.nFmtError},
                  {"szFEDesc", Text(r.szFEDesc)},
                  {"blobFaceImage", Picture(row.faceImage)}};
    for (const ResultCounterColumn& counter : kResultCounterColumns)
        o.insert(QLatin1String(counter.column), r.*counter.field);
    QJsonArray kindCounts;
    for (int32_t code = 0; code < kFaultCodeCount; ++code) {
        if (CountsInFaultCounts(code) && r.nKindCounts[code] > 0)
            kindCounts.append(QJsonObject{{"nFault", code}, {"nCount", r.nKindCounts[code]}});
    }
    o.insert("FaultCounts", kindCounts);
    return o;
}

void ReadResult(const QJsonObject& o, ResultRow& row)
{
    ResultInfo_t& r = row.info;
    CopyString(r.szName, o["szName"]);
    CopyString(r.szFilename, o["szFilename"]);
    CopyString(r.szNewFilename, o["szNewFilename"]);
    r.llFileSize = o["llFileSize"].toInteger();
    r.nFacePicState = Int(o, "nFacePicState");
    r.nState = Int(o, "nState");
    r.nFrame = Int(o, "nFrame");
    r.tmBegin = Int(o, "tmBegin");
    r.tmEnd = Int(o, "tmEnd");
    r.fSpeed = o["fSpeed"].toDouble();
    r.nFmtError = Int(o, "nFmtError");
    CopyString(r.szFEDesc, o["szFEDesc"]);
    for (const ResultCounterColumn& counter : kResultCounterColumns)
        r.*counter.field = Int(o, counter.column);
    for (const QJsonValue& v : o["FaultCounts"].toArray()) {
        const int32_t code = Int(v.toObject(), "nFault");
        if (code >= 0 && code < kFaultCodeCount)
            r.nKindCounts[code] = Int(v.toObject(), "nCount");
    }
    row.faceImage = PictureBytes(o["blobFaceImage"]);
}

QJsonValue LoudnessJson(const std::optional<LoudnessRow>& loudness)
{
    if (!loudness)
        return QJsonValue::Null;
    const LoudnessInfo_t& l = loudness->info;
    QJsonArray shortTerm;
    for (float value : l.shortTerm)
        shortTerm.append(Figure(value));
    return QJsonObject{{"fIntegrated", Figure(l.fIntegrated)},
                       {"fRange", Figure(l.fRange)},
                       {"fTruePeak", Figure(l.fTruePeak)},
                       {"fMaxMomentary", Figure(l.fMaxMomentary)},
                       {"fMaxShortTerm", Figure(l.fMaxShortTerm)},
                       {"nVerdict", loudness->nVerdict},
                       {"fTarget", Figure(loudness->limits.target)},
                       {"fTolerance", Figure(loudness->limits.tolerance)},
                       {"fMaxTruePeak", Figure(loudness->limits.maxTruePeak)},
                       {"short_term", shortTerm}};
}

std::optional<LoudnessRow> ReadLoudness(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    LoudnessRow row;
    row.info.fIntegrated = FigureOf(o["fIntegrated"]);
    row.info.fRange = FigureOf(o["fRange"]);
    row.info.fTruePeak = FigureOf(o["fTruePeak"]);
    row.info.fMaxMomentary = FigureOf(o["fMaxMomentary"]);
    row.info.fMaxShortTerm = FigureOf(o["fMaxShortTerm"]);
    row.nVerdict = Int(o, "nVerdict");
    row.limits.enabled = row.nVerdict != kLoudnessNotJudged;
    row.limits.target = FigureOf(o["fTarget"]);
    row.limits.tolerance = FigureOf(o["fTolerance"]);
    row.limits.maxTruePeak = FigureOf(o["fMaxTruePeak"]);
    for (const QJsonValue& v : o["short_term"].toArray())
        row.info.shortTerm.push_back(static_cast<float>(FigureOf(v)));
    return row;
}

}  // namespace

bool WriteResultFile(const std::string& path, const std::string& input, const ResultBundle& bundle,
                     std::string& error)
{
    QJsonArray media, deviations, faults;
    for (const MediaInfoRow& m : bundle.media)
        media.append(QJsonObject{{"nType", m.nType}, {"szFeature", QString::fromStdString(m.szFeature)},
                                 {"szValue", QString::fromStdString(m.szValue)}});
    for (const SyntaxErrRow& e : bundle.deviations)
        deviations.append(QJsonObject{{"szType", QString::fromStdString(e.szType)},
                                      {"szName", QString::fromStdString(e.szName)},
                                      {"szVaildValue1", QString::fromStdString(e.szVaildValue1)},
                                      {"szVaildValue2", QString::fromStdString(e.szVaildValue2)},
                                      {"szRealValue", QString::fromStdString(e.szRealValue)}});
    for (const FaultRow& f : bundle.faults) {
        QJsonObject fault{{"nFault", f.info.nFault},
                          {"nValue", f.info.nValue},
                          {"tmBegin", f.info.tmBegin},
                          {"tmEnd", f.info.tmEnd},
                          {"nImageWidth", f.info.nImageWidth},
                          {"nImageHeight", f.info.nImageHeight},
                          {"blobFaultImage", Picture(f.image)}};
        if (f.channel.nTrack > 0)
            fault.insert("FaultChannels", QJsonObject{{"nTrack", f.channel.nTrack},
                                                      {"nChannel", f.channel.nChannel},
                                                      {"szChannel", QString::fromStdString(f.channel.name)}});
        faults.append(fault);
    }
    QJsonValue clock = QJsonValue::Null;
    if (bundle.clock)
        clock = QJsonObject{{"nRateNum", bundle.clock->rateNum},
                            {"nRateDen", bundle.clock->rateDen},
                            {"szStartTimeCode", QString::fromStdString(bundle.clock->startTimeCode)}};
    const QJsonObject document{{"format", "quarvik-result"},
                               {"version", kResultFileVersion},
                               {"input", QString::fromStdString(input)},
                               {"subtask", SubTaskJson(bundle.subTask)},
                               {"result", ResultJson(bundle.result)},
                               {"media_info", media},
                               {"syntax_errors", deviations},
                               {"faults", faults},
                               {"loudness", LoudnessJson(bundle.loudness)},
                               {"material_clock", clock}};
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(document).toJson()) < 0 || !file.commit()) {
        error = path + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

bool CopyJudgingFiles(const std::string& fromFolder, const std::string& toFolder, std::string& error)
{
    namespace fs = std::filesystem;
    for (const char* name : {"ave.dat", "Templ.db", "Quarvik.ini", "system.ini"}) {
        const fs::path from = fs::path(fromFolder) / name;
        std::error_code failed;
        if (fs::is_regular_file(from, failed) &&
            !fs::copy_file(from, fs::path(toFolder) / name, fs::copy_options::overwrite_existing, failed)) {
            error = "cannot copy " + from.string() + ": " + failed.message();
            return false;
        }
    }
    return true;
}

bool ReadResultFile(const std::string& path, ResultBundle& bundle, std::string& error)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        error = path + ": " + file.errorString().toStdString();
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    const QJsonObject o = document.object();
    if (document.isNull() || o["format"].toString() != "quarvik-result") {
        error = path + ": not a result file" +
                (document.isNull() ? " (" + parseError.errorString().toStdString() + ")" : std::string());
        return false;
    }
    if (o["version"].toInt() != kResultFileVersion) {
        error = path + ": result file version " + std::to_string(o["version"].toInt()) + ", this program reads " +
                std::to_string(kResultFileVersion);
        return false;
    }
    bundle = ResultBundle{};
    bundle.subTask = ReadSubTask(o["subtask"]);
    ReadResult(o["result"].toObject(), bundle.result);
    for (const QJsonValue& v : o["media_info"].toArray()) {
        const QJsonObject m = v.toObject();
        bundle.media.push_back({m["szFeature"].toString().toStdString(), m["szValue"].toString().toStdString(),
                                Int(m, "nType")});
    }
    for (const QJsonValue& v : o["syntax_errors"].toArray()) {
        const QJsonObject e = v.toObject();
        bundle.deviations.push_back({e["szType"].toString().toStdString(), e["szName"].toString().toStdString(),
                                     e["szVaildValue1"].toString().toStdString(),
                                     e["szVaildValue2"].toString().toStdString(),
                                     e["szRealValue"].toString().toStdString()});
    }
    for (const QJsonValue& v : o["faults"].toArray()) {
        const QJsonObject f = v.toObject();
        FaultRow row{};
        row.info.nFault = Int(f, "nFault");
        row.info.nValue = Int(f, "nValue");
        row.info.tmBegin = Int(f, "tmBegin");
        row.info.tmEnd = Int(f, "tmEnd");
        row.info.nImageWidth = Int(f, "nImageWidth");
        row.info.nImageHeight = Int(f, "nImageHeight");
        row.image = PictureBytes(f["blobFaultImage"]);
        const QJsonObject channel = f["FaultChannels"].toObject();
        row.channel.nTrack = Int(channel, "nTrack");
        row.channel.nChannel = Int(channel, "nChannel");
        row.channel.name = channel["szChannel"].toString().toStdString();
        bundle.faults.push_back(std::move(row));
    }
    bundle.loudness = ReadLoudness(o["loudness"]);
    if (o["material_clock"].isObject()) {
        const QJsonObject c = o["material_clock"].toObject();
        MaterialClock clock;
        clock.rateNum = Int(c, "nRateNum");
        clock.rateDen = Int(c, "nRateDen");
        clock.startTimeCode = c["szStartTimeCode"].toString().toStdString();
        bundle.clock = clock;
    }
    return true;
}

}  // namespace quarvik
