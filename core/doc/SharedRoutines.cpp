#include "core/doc/SharedRoutines.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/Numbers.h"

#include <QStringList>

bool FormatFloat(QString& text, float value, int decimals, bool plain) {
    if (decimals < 1 || decimals > 6)
        return false;
    const QByteArray format = QByteArray(plain ? "%." : "%-.") + QByteArray::number(decimals) + 'f';
    text = QString::asprintf(format.constData(), double(value));
    return true;
}

int ParseNumberChecked(const QString& text, float& out, const pit::AppContext& ctx) {
    if (text.size() >= 120) {
        ctx.message(
            QStringLiteral("您所输入的数据严重超出范围！程序将记录上次有效的数据"),
            QStringLiteral("The number you entered is far out of range! The last valid value is kept."),
            QStringLiteral("ERROR"), QStringLiteral("ERROR"), pit::MB_OK);
        return -1;
    }
    const QByteArray b = ctx.codePage->fromUnicode(text);
    out = float(pit::atofC(std::string_view(b.constData(), size_t(b.size()))));
    return 1;
}

int PileClassFromText(const QString& text) {
    static const char* const kNames[] = {"I", "II", "III", "IV", "V"};
    for (int i = 0; i < 5; ++i)
        if (text == QLatin1String(kNames[i]))
            return i + 1;
    return 0;
}

QString AverageBlowsText(const std::array<int32_t, 15>& flags) {
    QStringList numbers;
    for (size_t i = 0; i < flags.size(); ++i)
        if (flags[i])
            numbers << QString::number(i + 1);
    return numbers.join(QStringLiteral("、"));
}

void IntegrationStateText(QString& text, int state, bool english) {
    switch (state) {
    case -1:
        text = english ? QStringLiteral("differential Done") : QStringLiteral("已微分");
        break;
    case 0:
        text = english ? QStringLiteral("Not Handle") : QStringLiteral("未操作");
        break;
    case 1:
        text = english ? QStringLiteral("Integral Done") : QStringLiteral("已积分");
        break;
    default:
        break;
    }
}

bool CPitRecordArray::WriteToFile(const QString& path) const {
    if (m_records.empty())
        return false;
    QByteArray bytes;
    bytes.reserve(qsizetype(m_records.size() * kRecordSize));
    for (const Record& r : m_records)
        bytes.append(reinterpret_cast<const char*>(r.data()), qsizetype(kRecordSize));
    pit::writeFileAtomic(path, bytes);
    return true;
}

bool CPitRecordArray::SaveToFile(const QString& path) const {
    try {
        return WriteToFile(path);
    } catch (const pit::FileError&) {
        return false;
    }
}
