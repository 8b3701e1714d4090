// Every record the reader builds, pinned: each field of the record and of
// every channel (all samples, as bits) of the sample projects and of a set of
// files of every generation and read path is dumped as text and hashed, and
// the hashes must equal those in tests/data/reader_golden.txt. A change of
// the reader that is meant to change no record keeps them all.
//
// PIT_READER_DUMP_DIR=folder writes the dumps there (to diff two builds);
// PIT_READER_GOLDEN_WRITE=1 rewrites the golden file from this build, for a
// change that is meant to change records.
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "tests/support/DuxBuilder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <map>

using namespace pit;
using pit::test::DuxAnalysis;
using pit::test::DuxBlow;
using pit::test::DuxBuilder;
using pit::test::DuxChannel;

namespace {

// ---- the dump: one line a field, floats as their bits

class Dump {
public:
    explicit Dump(QString folder) : m_folder(std::move(folder)) {}
    QString text;

    void line(const char* key, const QString& v) { text += QLatin1String(key) + u'=' + v + u'\n'; }
    void i(const char* key, int64_t v) { line(key, QString::number(v)); }
    void f(const char* key, float v) { line(key, bits(v)); }
    void d(const char* key, double v) {
        uint64_t b;
        std::memcpy(&b, &v, 8);
        line(key, QString::number(b, 16));
    }
    void s(const char* key, QString v) { line(key, u'"' + v.replace(m_folder, u"<dir>"_qs) + u'"'); }
    void t(const char* key, const QDateTime& v) {
        line(key, v.isValid() ? v.toString(Qt::ISODateWithMs) + u' ' + QString::number(int(v.timeSpec())) +
                                    u' ' + QString::number(v.offsetFromUtc())
                              : u"invalid"_qs);
    }
    void r(const char* key, const gdi::Rect& v) {
        line(key, QStringLiteral("%1 %2 %3 %4").arg(v.left).arg(v.top).arg(v.right).arg(v.bottom));
    }
    void floats(const char* key, std::span<const float> v) {
        QString out = QString::number(v.size()) + u':';
        for (float x : v)
            out += u' ' + bits(x);
        line(key, out);
    }
    template <class C> void ints(const char* key, const C& v) {
        QString out;
        for (auto x : v)
            out += u' ' + QString::number(int64_t(x));
        line(key, out);
    }
    void bytes(const char* key, const uint8_t* p, size_t n) {
        line(key, QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(p), qsizetype(n)).toHex()));
    }

private:
    static QString bits(float v) {
        uint32_t b;
        std::memcpy(&b, &v, 4);
        return QString::number(b, 16);
    }
    QString m_folder;
};

void DumpChannel(Dump& o, const CWaveRecord& w) {
    o.i("readOk", w.readOk);
    o.i("sampleCount", w.SampleCount());
    o.floats("source", w.Source());
    o.floats("display", w.Display());
    o.i("drawA", w.drawA);
    o.i("drawB", w.drawB);
    o.f("sampleInterval", w.sampleInterval);
    o.i("highPassHz", w.highPassHz);
    o.i("lowPassHz", w.lowPassHz);
    o.r("sketch.rect", w.pileSketch.GetRect());
    o.i("sketch.bottom", w.pileSketch.GetBottomType());
    o.i("sketch.print", w.pileSketch.GetPrintFlag());
    o.i("sketch.bitmap", w.pileSketch.GetBitmap().isNull());
    o.i("readout", w.readout != nullptr);
    o.r("frameRect", w.frameRect);
    o.r("plotRect", w.plotRect);
    o.r("labelRect", w.labelRect);
    o.r("infoRect1", w.infoRect1);
    o.r("infoRect2", w.infoRect2);
    o.r("scaleRect", w.scaleRect);
    o.r("sketchRect", w.sketchRect);
    o.r("readoutRect", w.readoutRect);
    o.i("printSketch", w.printSketch != nullptr);
    o.r("printPlotRect", w.printPlotRect);
    o.f("printA", w.printA);
    o.f("diameter", w.diameter);
    o.f("secondSide", w.secondSide);
    o.f("pairValue", w.pairValue);
    o.i("pairCount", w.pairCount);
    o.i("selected", w.selected);
    o.i("waveletHz", w.waveletHz);
    o.i("expGain", w.expGain);
    o.i("expStart", w.expStart);
    o.i("dataForm", w.dataForm);
    o.f("scale", w.scale);
    o.f("zoom", w.zoom);
    o.i("screenBitmap", w.screenBitmap.isNull());
    o.i("printBitmap", w.printBitmap.isNull());
    o.ints("colours", w.colours);
    o.i("drawC", w.drawC);
    o.i("waveWidth", w.waveWidth);
    o.i("drawD", w.drawD);
    o.i("headIndex", w.headIndex);
    o.i("toeIndex", w.toeIndex);
    o.i("refIndex", w.refIndex);
    o.i("tiltStart", w.tiltStart);
    o.i("lastDragIndex", w.lastDragIndex);
    o.i("axisMode", w.axisMode);
    o.floats("reserved4", w.reserved4);
    o.i("pickX", w.pickX);
    o.i("pickY", w.pickY);
    o.i("speedAbove", w.speedAbove);
    o.i("speed", w.speed);
    o.f("sensorDistance", w.sensorDistance);
    o.f("pileLength", w.pileLength);
    for (const DefectMark& m : w.defects)
        o.ints("defect", std::array<int32_t, 4>{m.index, m.type, m.severity, m.extra});
    o.floats("shiftedOutLeft", w.shiftedOutLeft);
    o.floats("shiftedOutRight", w.shiftedOutRight);
    o.i("flagA", w.flagA);
    o.i("scaleFlag", w.scaleFlag);
    o.i("bottomShape", w.bottomShape);
    o.i("zoomStep", w.zoomStep);
    o.f("sensorSamples", w.sensorSamples);
    o.i("riseIndex", w.riseIndex);
    o.i("pulseEnd", w.pulseEnd);
    o.i("peakIndex", w.peakIndex);
    o.i("localAmplifyMode", w.localAmplifyMode);
    o.i("localAmplifyB", w.localAmplifyB);
    o.i("labelOffsetX", w.labelOffsetX);
    o.i("labelOffsetY", w.labelOffsetY);
    o.f("localGain", w.localGain);
    o.f("smallTest", w.smallTest);
    o.i("isAverage", w.isAverage);
    o.i("selStart", w.selStart);
    o.i("selEnd", w.selEnd);
    o.i("compact", w.compact);
    o.ints("margins", w.margins);
    o.f("commonPeak", w.commonPeak);
    o.i("sensorKind", w.sensorKind);
    o.i("derivedForm", w.derivedForm);
    o.d("displayMax100", w.displayMax100);
    o.f("ampStartDepth", w.ampStartDepth);
    o.f("groupPeak", w.groupPeak);
    o.f("rulerTickStep", w.rulerTickStep);
    o.i("rulerValueStep", w.rulerValueStep);
    o.i("toeX", w.toeX);
    o.f("spectrumPeak", w.spectrumPeak);
    o.i("pictureMode", w.pictureMode);
    o.i("layoutMode", w.layoutMode);
    o.i("printLabelMode", w.printLabelMode);
    for (const QString& l : w.cursorLines)
        o.s("cursorLine", l);
    o.i("defaultContext", w.context == &WaveContext::Default());
}

// Every field of the record but the file's own times (the file system's,
// not the reader's: the log text of the three times).
QString DumpRecord(const CPileRecord& r, const QString& folder) {
    Dump o(folder);
    o.t("fileTime", r.m_fileTime);
    o.s("spare", r.m_strSpare);
    o.bytes("header", r.m_header.data(), r.m_header.size());
    o.i("nSpare", r.m_nSpare);
    o.s("pileNo", r.m_strPileNo);
    o.t("constructionDate", r.m_constructionDate);
    o.i("fixedParam", r.m_bFixedParam);
    o.s("project", r.m_strProject);
    o.t("testDate", r.m_testDate);
    o.s("text6", r.m_strText6);
    o.s("text5", r.m_strText5);
    o.s("text4", r.m_strText4);
    o.f("pileLength", r.m_fPileLength);
    o.i("waveSpeed", r.m_nWaveSpeed);
    o.s("class", r.m_strClass);
    o.i("gradeIndex", r.m_nGradeIndex);
    o.i("sensorKind", r.m_nSensorKind);
    o.ints("spareValue", r.m_spareValue);
    o.f("diameter", r.m_fDiameter);
    o.f("secondSide", r.m_fSecondSide);
    o.f("enlarged", r.m_fEnlarged);
    o.f("enlarged2", r.m_fEnlarged2);
    o.i("shape", r.m_nShape);
    for (const auto& v : r.m_pileValues)
        o.ints("pileValue", v);
    o.s("remark", r.m_strRemark);
    o.s("conclusion", r.m_strConclusion);
    o.s("idText2", r.m_strIdText2);
    o.s("shapeText", r.m_strShape);
    o.i("age", r.m_nAge);
    o.i("spareCounter", r.m_nSpareCounter);
    o.i("samples", r.m_nSamples);
    o.i("currentChannel", r.m_nCurrentChannel);
    o.ints("blowFlags", r.m_blowFlags);
    o.i("analysisState", r.m_analysisState);
    o.ints("analysisValues", r.m_analysisValues);
    o.i("viewModesTaken", r.m_bViewModesTaken);
    o.i("alignMode", r.m_nAlignMode);
    o.i("calcMode", r.m_nCalcMode);
    o.i("viewMode", r.m_nViewMode);
    o.f("channelZoom", r.m_fChannelZoom);
    o.t("testTime", r.m_testTime);
    o.f("scale", r.m_fScale);
    o.i("recordType", r.m_nRecordType);
    o.i("channelCount", r.m_nChannelCount);
    o.i("language", r.m_nLanguage);
    o.i("decimals", r.m_nDecimals);
    o.i("sensorDistance", r.m_nSensorDistance);
    o.i("legacy", r.m_bLegacy);
    o.i("blowFile", r.m_bBlowFile);
    o.f("sampleInterval", r.m_fSampleInterval);
    o.i("keepZoom", r.m_bKeepZoom);
    o.ints("recordedBlows", r.m_recordedBlows);
    o.i("recordedCount", r.m_nRecordedCount);
    o.i("extShape", r.m_nExtShape);
    o.i("extSecondSide", r.m_nExtSecondSide);
    o.i("extGrade", r.m_nExtGrade);
    o.s("pathReadLast", r.m_strPathReadLast);
    o.s("rememberedPath", r.m_strRememberedPath);
    o.i("reloadState", r.m_nReloadState);
    for (size_t k = 0; k + 1 < r.m_logTexts.size(); ++k)
        o.s("logText", r.m_logTexts[k]);
    o.i("logState", r.m_nLogState);
    o.s("path", r.m_strPath);
    o.i("pairFlag", r.m_bPairFlag);
    o.i("fixedQuantity", r.m_bFixedQuantity);
    o.s("instrument", r.m_strInstrument);
    o.i("firstVisible", r.m_nFirstVisible);
    o.i("visibleCount", r.m_nVisibleCount);
    o.floats("raw", r.RawSamples());
    o.i("channels", r.ChannelCountInList());
    for (int c = 0; c < r.ChannelCountInList(); ++c) {
        o.i("channel", c);
        DumpChannel(o, *r.Channel(c));
    }
    return o.text;
}

// ---- the files: every generation and read path, with waves that give the
// markers something to find (a pulse, a toe echo, noise, a slow drift)

std::vector<float> Waves(int count, int n, int seed, float gain = 1.0f) {
    std::vector<float> v(size_t(count) * size_t(n));
    uint32_t x = 2463534242u + uint32_t(seed);
    for (int c = 0; c < count; ++c)
        for (int i = 0; i < n; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            const double a = (i - 60 - 3 * c) / 7.0, b = (i - 420 - seed % 30) / 9.0;
            const double noise = (double(x % 2001) - 1000.0) / 1000.0;
            v[size_t(c) * size_t(n) + size_t(i)] =
                gain * float((8.0 + c) * std::exp(-a * a) - 2.5 * std::exp(-b * b) + 0.05 * noise +
                             0.4 * std::sin(i * 0.011 + c));
        }
    return v;
}

std::vector<float> Wave(int n, int seed, float gain = 1.0f) {
    return Waves(1, n, seed, gain);
}

DuxChannel Saved(int seed, int head, int toe, std::vector<pit::test::DuxDefect> defects = {}) {
    DuxChannel c;
    c.samples = Wave(1024, seed);
    c.head = head;
    c.ref = head;
    c.toe = toe;
    c.expStart = head + 10;
    c.defects = std::move(defects);
    return c;
}

std::vector<std::pair<QString, QByteArray>> Fixtures() {
    std::vector<std::pair<QString, QByteArray>> out;
    const auto add = [&](const char* name, const DuxBuilder& b) {
        out.emplace_back(QString::fromLatin1(name), b.build());
    };

    // Instrument generations on the plain path.
    add("T0_3blows.DUX", DuxBuilder::shortHeader(90).channels(3, 1024).samples(Waves(3, 1024, 1)));
    add("T0_notime.DUX",
        DuxBuilder::shortHeader(90).channels(2, 1024).samples(Waves(2, 1024, 2)).testTime(0));
    add("T1_gain.DUX", DuxBuilder::shortHeader(100)
                           .channels(4, 1024)
                           .samples(Waves(4, 1024, 3))
                           .i32At(37, 3)
                           .toeDepth(6.5f)
                           .blowSelect(1, {1, 0, 1, 1}));
    add("T2_silent.DUX", [] {
        auto s = Waves(3, 1024, 4);
        std::fill(s.begin() + 1024, s.begin() + 2048, 0.0f); // a blow without data
        return DuxBuilder::shortHeader(150).channels(3, 1024).samples(s).sensor(0, 1).sensorDistance(200);
    }());
    add("T3_code4.DUX", DuxBuilder::shortHeader(219, "VADUZI", 4)
                            .channels(5, 2048)
                            .samples(Waves(5, 2048, 5))
                            .pileNo(u"ZK-3"_qs)
                            .idText2(u"A7"_qs)
                            .testTime(0));
    add("T4_vurizo.DUX", DuxBuilder::shortHeader(123, "VURIZO", 1)
                             .channels(2, 512)
                             .samples(Waves(2, 512, 6))
                             .sampleInterval(40)
                             .shapeSideGrade(1, 500, 40));
    add("T5_riradad.DUX", DuxBuilder::paramBlock()
                              .channels(6, 1024)
                              .samples(Waves(6, 1024, 7))
                              .project(u"滨江大桥"_qs)
                              .rawAt(176, "12+3")
                              .texts(u"甲"_qs, u"b"_qs, u"c"_qs)
                              .extension(1, 1, 600, 35));
    add("T6_block.DUX", DuxBuilder::paramBlock("VADUZI", 1048)
                            .channels(15, 1024)
                            .samples(Waves(15, 1024, 8, 0.01f))
                            .project(u"Harbour"_qs)
                            .pileNo(u"东-3"_qs)
                            .texts(u"文四"_qs, u"文五"_qs, u"文六"_qs)
                            .className(u"III"_qs)
                            .enlarged(1200, 1300)
                            .shapeSideGrade(1, 600, 35)
                            .scale(2)
                            .i32At(78, 2)
                            .toeDepth(4)
                            .sensor(0, 1)
                            .sensorDistance(150));
    add("T6_tiny.DUX", DuxBuilder::paramBlock("VADUZI", 1)
                           .channels(2, 1024)
                           .samples(Waves(2, 1024, 9, 1e-8f))
                           .testTime(1000000000));

    // Blow tables.
    DuxBlow b1, b3, avg;
    b1.blow = 1;
    b1.samples = Wave(1024, 10);
    b3.blow = 3;
    b3.samples = Wave(1024, 11);
    b3.defectIndex = 250;
    avg.blow = 0;
    avg.blowBytes = {1, 0, 1};
    avg.samples = Wave(1024, 12);
    avg.pileLength = 12.5f;
    avg.speed = 3600;
    add("AD_average.DUX", DuxBuilder::paramBlock("A-RIRADAD")
                              .channels(3, 1024)
                              .samples(Waves(3, 1024, 13))
                              .blowTable({b1, b3, avg}));
    add("AD_noaverage.DUX", DuxBuilder::paramBlock("A-RIRADAD")
                                .channels(3, 1024)
                                .samples(Waves(3, 1024, 14))
                                .blowTable({b1, b3}));

    // Saved analyses, every code.
    DuxAnalysis a;
    a.pileNo = u"东1"_qs;
    a.project = u"大桥"_qs;
    a.text6 = u"六"_qs;
    a.text5 = u"五"_qs;
    a.conclusion = u"桩身完整"_qs;
    a.shapeText = u"方桩"_qs;
    a.secondSide = 650;
    a.sensorDistance = 120;
    a.current = 1;
    a.blowFlags = {1, 1, 0};
    a.channels = {Saved(15, 58, 400, {{120, 0, 2, 0}}), Saved(16, 61, 410), Saved(17, 59, 2000)};
    a.channels[1].zoom = 2;
    a.channels[1].expGain = 4;
    a.channels[2].toe = -5;
    a.channels[2].bottom = 7;
    a.averages = {Saved(18, 60, 405), Saved(19, 60, 405, {{200, 5, 0, 0}, {300, 2, 1, 1}})};
    a.modes = {0, 2, 1};
    a.scale = 2.5f;
    for (int code : {612, 1007, 1008, 1024, 1030, 1036, 1042}) {
        DuxAnalysis c = a;
        if (code == 1024) {
            c.fixedParam = 0;
            c.modes = {1, 0, 1};
        }
        if (code == 1008)
            c.current = -1;
        out.emplace_back(QStringLiteral("AN_%1.DUX").arg(code),
                         DuxBuilder::paramBlock("VADUZI", code).channels(3, 1024).analysis(c).build());
    }
    return out;
}

QString GoldenPath() {
    return QStringLiteral(PIT_TEST_DATA_DIR "/reader_golden.txt");
}

QString Sha(const QString& dump) {
    return QString::fromLatin1(QCryptographicHash::hash(dump.toUtf8(), QCryptographicHash::Sha256).toHex());
}

} // namespace

TEST(ReaderGolden, EveryRecordIsTheOnePinned) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The sample projects, and the fixtures, in one folder with fixed file times.
    QDir samples(QStringLiteral(PIT_SAMPLES_DIR));
    samples.cdUp();
    QStringList names;
    for (const QString& project : samples.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QFileInfo& fi : QDir(samples.filePath(project))
                                       .entryInfoList({QStringLiteral("*.DUX")}, QDir::Files, QDir::Name)) {
            const QString name = project + u'_' + fi.fileName();
            ASSERT_TRUE(QFile::copy(fi.filePath(), dir.filePath(name)));
            names << name;
        }
    ASSERT_GE(names.size(), 10);
    for (const auto& [name, bytes] : Fixtures()) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        names << name;
    }
    const QDateTime fixed(QDate(2024, 5, 6), QTime(7, 8, 9));
    for (const QString& name : names) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(fixed, QFileDevice::FileModificationTime));
    }

    // Each file into a fresh record, and all in turn into one record (as the
    // document reads pile after pile).
    const auto fresh = [&] {
        CPileRecord r;
        r.m_fileTime = r.m_testDate = r.m_constructionDate = r.m_testTime = fixed;
        return r;
    };
    CPileRecord reused = fresh();
    std::map<QString, QString> got;
    const QByteArray dumpDir = qgetenv("PIT_READER_DUMP_DIR");
    for (const QString& name : names) {
        CPileRecord one = fresh();
        ASSERT_TRUE(one.ReadFile(dir.filePath(name))) << name.toStdString();
        ASSERT_TRUE(reused.ReadFile(dir.filePath(name))) << name.toStdString();
        const QString a = DumpRecord(one, dir.path()), b = DumpRecord(reused, dir.path());
        got[name] = Sha(a) + u' ' + Sha(b);
        if (!dumpDir.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(dumpDir));
            QFile out(QDir(QString::fromLocal8Bit(dumpDir)).filePath(name + u".txt"_qs));
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write((a + u"---- read into a used record\n"_qs + b).toUtf8());
        }
    }

    if (qgetenv("PIT_READER_GOLDEN_WRITE") == "1") {
        QFile out(GoldenPath());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        for (const auto& [name, hashes] : got)
            out.write((name + u' ' + hashes + u'\n').toUtf8());
        GTEST_SKIP() << "golden file written";
    }
    QFile in(GoldenPath());
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    std::map<QString, QString> want;
    for (const QByteArray& l : in.readAll().split('\n'))
        if (const qsizetype sp = l.indexOf(' '); sp > 0)
            want[QString::fromUtf8(l.left(sp))] = QString::fromUtf8(l.mid(sp + 1));
    EXPECT_EQ(want.size(), got.size());
    for (const auto& [name, hashes] : got)
        EXPECT_EQ(hashes, want[name])
            << name.toStdString() << ": the record changed (PIT_READER_DUMP_DIR shows it field by field)";
}
