// duxinfo: reads a pile file through the program's reader and prints the
// record as one JSON object, for engineers and for checking files by hand.
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "platform/FileError.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

QJsonObject channelJson(const CWaveRecord& ch) {
    QJsonObject o;
    const auto& src = ch.Source();
    o[u"samples"_qs] = ch.SampleCount();
    o[u"isAverage"_qs] = ch.isAverage != 0;
    o[u"head"_qs] = ch.headIndex;
    o[u"toe"_qs] = ch.toeIndex;
    o[u"ref"_qs] = ch.refIndex;
    o[u"expStart"_qs] = ch.expStart;
    o[u"expGain"_qs] = ch.expGain;
    o[u"highPass"_qs] = ch.highPassHz;
    o[u"lowPass"_qs] = ch.lowPassHz;
    o[u"dataForm"_qs] = ch.dataForm;
    o[u"zoom"_qs] = double(ch.zoom);
    o[u"sampleInterval"_qs] = double(ch.sampleInterval);
    QJsonArray defects;
    for (const auto& d : ch.defects)
        defects.append(
            QJsonObject{{u"index"_qs, d.index}, {u"type"_qs, d.type}, {u"severity"_qs, d.severity}});
    o[u"defects"_qs] = defects;
    const int mi = src.empty() ? -1 : ch.FindMaxAbsIndex();
    o[u"maxAbs"_qs] = mi < 0 ? 0.0 : double(std::fabs(src[size_t(mi)]));
    o[u"maxAbsIndex"_qs] = mi;
    QJsonArray first;
    for (size_t i = 0; i < src.size() && i < 8; ++i)
        first.append(double(src[i]));
    o[u"first"_qs] = first;
    return o;
}

QJsonObject recordJson(const CPileRecord& r) {
    QJsonObject o;
    o[u"recordType"_qs] = r.m_nRecordType;
    o[u"projectName"_qs] = r.m_strProject;
    o[u"pileNumber"_qs] = r.m_strPileNo;
    o[u"testTime"_qs] = QDateTime(r.m_testDate.date(), r.m_testTime.time()).toString(Qt::ISODate);
    o[u"constructionDate"_qs] = r.m_constructionDate.date().toString(Qt::ISODate);
    o[u"pileLength"_qs] = double(r.m_fPileLength);
    o[u"waveSpeed"_qs] = r.m_nWaveSpeed;
    o[u"diameter"_qs] = double(r.m_fDiameter);
    o[u"secondSide"_qs] = double(r.m_fSecondSide);
    o[u"sampleInterval"_qs] = double(r.m_fSampleInterval);
    o[u"samplesPerChannel"_qs] = r.m_nSamples;
    o[u"channelCount"_qs] = r.m_nChannelCount;
    o[u"sensorDistance"_qs] = r.m_nSensorDistance;
    o[u"className"_qs] = r.m_strClass;
    o[u"gradeIndex"_qs] = r.m_nGradeIndex;
    o[u"shape"_qs] = r.m_strShape;
    o[u"conclusion"_qs] = r.m_strConclusion;
    o[u"remark"_qs] = r.m_strRemark;
    o[u"currentChannel"_qs] = r.m_nCurrentChannel;
    o[u"fixedParam"_qs] = r.m_bFixedParam != 0;
    o[u"scale"_qs] = double(r.m_fScale);
    QJsonArray flags;
    for (int f : r.m_blowFlags)
        flags.append(f);
    o[u"blowFlags"_qs] = flags;
    QJsonArray channels;
    for (int i = 0; i < r.ChannelCountInList(); ++i)
        channels.append(channelJson(*r.Channel(i)));
    o[u"channels"_qs] = channels;
    return o;
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_NUMERIC, "C");
    if (argc != 2) {
        std::fprintf(stderr, "usage: duxinfo FILE.DUX\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    CPileRecord rec;
    try {
        if (!rec.ReadFile(path)) {
            std::fprintf(stderr, "duxinfo: %s: refused (channel count out of range)\n", argv[1]);
            return 1;
        }
    } catch (const pit::FileError& e) {
        std::fprintf(stderr, "duxinfo: %s\n", e.message(true).toLocal8Bit().constData());
        return 1;
    }
    QJsonObject o = recordJson(rec);
    // The file header as it stands on disk.
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) {
        const QByteArray head = f.read(14);
        if (head.size() == 14) {
            o[u"magic"_qs] =
                QString::fromLatin1(pit::MagicText(reinterpret_cast<const uint8_t*>(head.constData())));
            int32_t code;
            std::memcpy(&code, head.constData() + 10, 4);
            o[u"formatCode"_qs] = code;
        }
    }
    std::fputs(QJsonDocument(o).toJson(QJsonDocument::Indented).constData(), stdout);
    return 0;
}
