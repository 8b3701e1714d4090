#include "core/project/KevConvert.h"

#include "core/pile/PileHeader.h"
#include "core/pile/PileRecord.h"
#include "platform/AppContext.h"
#include "platform/AtomicFile.h"
#include "platform/ByteCursor.h"
#include "platform/FileError.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cmath>
#include <cstring>
#include <limits>

namespace pit {

namespace {

template <typename T> T at(const QByteArray& b, size_t off) {
    T v;
    std::memcpy(&v, b.constData() + off, sizeof(T));
    return v;
}

// Float to int truncated toward zero, kept inside the int32 range.
int32_t truncInt(double v) {
    if (!std::isfinite(v))
        return 0;
    if (v >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return int32_t(v);
}

} // namespace

KevInputSettings& KevInputSettings::shared() {
    static KevInputSettings s;
    return s;
}

FieldError ValidateKevDiameter(const QString& text, int& out, bool english) {
    constexpr int kEdit = 1121;
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok)
        return {kEdit,
                english ? QStringLiteral("Please enter an integer.") : QStringLiteral("请输入一个整数。")};
    if (v < kKevDiameterMin || v > kKevDiameterMax)
        return {kEdit, english ? QStringLiteral("Please enter an integer between %1 and %2.")
                                     .arg(kKevDiameterMin)
                                     .arg(kKevDiameterMax)
                               : QStringLiteral("请输入一个介于 %1 和 %2 之间的整数。")
                                     .arg(kKevDiameterMin)
                                     .arg(kKevDiameterMax)};
    out = v;
    return {};
}

QDate ParseKevDate(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^(\\d{2}|\\d{4})([-/.])(\\d{1,2})\\2(\\d{1,2})$"));
    const QRegularExpressionMatch m = re.match(text.trimmed());
    if (!m.hasMatch())
        return {};
    int year = m.captured(1).toInt();
    if (m.capturedLength(1) == 2)
        year += year < 30 ? 2000 : 1900;
    return QDate(year, m.captured(3).toInt(), m.captured(4).toInt());
}

int KevDiameterMm(const QByteArray& kevBytes) {
    return truncInt(double(at<float>(kevBytes, kev::kDiameter)) * 1000.0);
}

QString KevTargetPath(const QString& kevPath) {
    const QFileInfo fi(kevPath);
    const QString suffix = fi.suffix();
    if (suffix.isEmpty())
        return kevPath + QStringLiteral(".DUX");
    return kevPath.left(kevPath.size() - suffix.size()) + QStringLiteral("DUX");
}

QByteArray BuildDuxFromKev(const QByteArray& kevBytes, int diameterMm, int32_t testTime) {
    Q_ASSERT(size_t(kevBytes.size()) >= kev::kSize);
    PileHeaderRaw h;
    std::memcpy(h.data() + hdr::kIdText, kevBytes.constData() + kev::kIdText, 8); // byte 8 stays NUL
    h.setF32(hdr::kPileLength, float(at<double>(kevBytes, kev::kPileLength)));
    h.setI32(hdr::kDiameter, diameterMm);
    h.setI32(hdr::kWaveSpeed, at<int16_t>(kevBytes, kev::kWaveSpeed));
    h.setI32(hdr::kHighPass, 0);
    h.setI32(hdr::kLowPass, at<int16_t>(kevBytes, kev::kLowPass));
    h.setI32(hdr::kFormFlag, 1);
    h.setI32(hdr::kSensorKind, at<int16_t>(kevBytes, kev::kSensorKind));
    h.setI32(hdr::kExpGain, at<int16_t>(kevBytes, kev::kExpGain));
    const int32_t carried[4] = {50, 500, 300, 1};
    for (int k = 0; k < 4; ++k)
        h.setI32(hdr::kCarried + 4 * size_t(k), carried[k]);
    h.setF32(hdr::kSampleInterval, float(at<int16_t>(kevBytes, kev::kSampleInterval)));
    h.setF32(hdr::kScale, at<float>(kevBytes, kev::kScale));
    h.setI32(hdr::kChannelCount, kev::kChannels);
    h.setI32(hdr::kSamples, kev::kChannelSamples);
    h.setI32(hdr::kTestTime, testTime);
    h.setI32(hdr::kCarried2, 1);

    constexpr int32_t P = 50;
    constexpr int32_t W = P + int32_t(hdr::kSize);
    ByteWriter w;
    w.bytes("VADUZI", 6);
    w.zeros(4);
    w.i32(3);
    w.i32(P);
    w.i32(W);
    w.zeros(size_t(P) - w.size());
    w.bytes(h.data(), hdr::kSize);
    w.bytes(kevBytes.constData() + kev::kSamples, kev::kSize - kev::kSamples);
    return w.take();
}

} // namespace pit

using namespace pit;

bool CPileRecord::ConvertKevFile(const QString& kevPath, const AppContext& ctx, KevInputSettings& settings,
                                 const KevDiameterAsker& askDiameter, KevConvertOutcome* outcome) {
    KevConvertOutcome scratch;
    KevConvertOutcome& told = outcome ? *outcome : scratch;
    told = {};
    auto fail = [&told](const QFileDevice& f) {
        const FileError e = FileError::fromDevice(f);
        told.whyZh = e.message(false);
        told.whyEn = e.message(true);
        return false;
    };
    const QString target = KevTargetPath(kevPath);
    if (QFileInfo(target).isFile() && QFile(target).open(QIODevice::ReadOnly)) {
        const int answer = ctx.message(target + QStringLiteral("已存在，是否覆盖？"),
                                       target + QStringLiteral(" already exists. Overwrite it?"),
                                       QStringLiteral("提示"), QStringLiteral("Tips"), MB_OKCANCEL);
        if (answer != IDOK) {
            told.declined = true;
            return false;
        }
    }

    // The time stamp needs only read access: a read-only instrument file converts.
    QFile src(kevPath);
    if (!src.open(QIODevice::ReadOnly | QIODevice::ExistingOnly))
        return fail(src);
    const QDateTime sourceTime = QFileInfo(src).lastModified();
    const QByteArray kevBytes = src.readAll();
    if (src.error() != QFileDevice::NoError)
        throw FileError(FileCause::FileNotFound, kevPath, -1);
    src.close();
    // A file cut short would leave samples undefined: refuse it whole.
    if (size_t(kevBytes.size()) < kev::kSize)
        throw FileError(FileCause::EndOfFile, kevPath, -1,
                        QStringLiteral("%1 bytes, the samples need %2").arg(kevBytes.size()).arg(kev::kSize));

    // A pile file that no reader takes is not made: an interval of 0 or less.
    const int16_t dt = at<int16_t>(kevBytes, kev::kSampleInterval);
    if (dt < kMinSampleInterval)
        throw FileError(FileCause::InvalidFile, kevPath, 4,
                        QStringLiteral("sample interval %1 µs, not within %2 to %3 µs")
                            .arg(dt)
                            .arg(double(kMinSampleInterval))
                            .arg(double(kMaxSampleInterval)),
                        QStringLiteral("采样间隔 %1 µs，不在 %2 至 %3 µs 之间")
                            .arg(dt)
                            .arg(double(kMinSampleInterval))
                            .arg(double(kMaxSampleInterval)));

    const QByteArray dateBytes = kevBytes.mid(qsizetype(kev::kDateText), 9);
    const QString dateText =
        QString::fromLatin1(dateBytes.left(dateBytes.indexOf('\0') < 0 ? 9 : dateBytes.indexOf('\0')));
    const QDate date = ParseKevDate(dateText);
    QDateTime when;
    if (!date.isValid() || (date.year() <= 1970 && date.month() <= 1 && date.day() <= 1))
        when = sourceTime;
    else
        when = QDateTime(date, QTime(0, 0), Qt::LocalTime);
    int64_t seconds = when.toSecsSinceEpoch();
    if (seconds < 0)
        seconds = ctx.clock().toSecsSinceEpoch();
    const int32_t testTime = int32_t(std::min<int64_t>(seconds, std::numeric_limits<int32_t>::max()));

    int diameter = KevDiameterMm(kevBytes);
    if (!settings.useForAll) {
        int asked = diameter;
        if (askDiameter && askDiameter(asked, settings, target))
            diameter = asked;
    } else {
        diameter = settings.diameterMm;
    }

    writeFileAtomic(target, BuildDuxFromKev(kevBytes, diameter, testTime));

    QFile out(target);
    if (!out.open(QIODevice::ReadWrite | QIODevice::ExistingOnly) ||
        !out.setFileTime(sourceTime, QFileDevice::FileModificationTime))
        return fail(out);
    return true;
}
