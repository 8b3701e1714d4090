#include "tests/office/XlsxDump.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

namespace pit::test {

XlsxCell XlsxSheet::at(const QString& ref) const {
    const auto it = cells.find(ref);
    return it == cells.end() ? XlsxCell{QStringLiteral("empty"), {}, QStringLiteral("General"), {}, {}}
                             : it->second;
}

std::optional<XlsxBook> readXlsx(const QString& path, QString* error) {
    QProcess p;
    p.start(QStringLiteral(PIT_SYSTEM_PYTHON), {QStringLiteral(PIT_XLSX_DUMP), path});
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = QString::fromUtf8(p.readAllStandardError());
        return std::nullopt;
    }
    QJsonParseError parse{};
    const QJsonObject root = QJsonDocument::fromJson(p.readAllStandardOutput(), &parse).object();
    if (parse.error != QJsonParseError::NoError) {
        if (error)
            *error = parse.errorString();
        return std::nullopt;
    }
    XlsxBook book;
    book.active = root.value(QStringLiteral("active")).toString();
    book.styles = root.value(QStringLiteral("styles")).toInt();
    for (const QJsonValue s : root.value(QStringLiteral("sheets")).toArray()) {
        const QJsonObject o = s.toObject();
        XlsxSheet sheet;
        sheet.name = o.value(QStringLiteral("name")).toString();
        sheet.freeze = o.value(QStringLiteral("freeze")).toString();
        for (const QJsonValue m : o.value(QStringLiteral("merges")).toArray())
            sheet.merges << m.toString();
        const QJsonObject widths = o.value(QStringLiteral("widths")).toObject();
        for (auto it = widths.begin(); it != widths.end(); ++it)
            sheet.widths[it.key()] = it.value().toDouble();
        const QJsonObject cells = o.value(QStringLiteral("cells")).toObject();
        for (auto it = cells.begin(); it != cells.end(); ++it) {
            const QJsonObject c = it.value().toObject();
            sheet.cells[it.key()] = {c.value(QStringLiteral("t")).toString(), c.value(QStringLiteral("v")),
                                     c.value(QStringLiteral("fmt")).toString(),
                                     c.value(QStringLiteral("align")).toString(),
                                     c.value(QStringLiteral("edges")).toString()};
        }
        book.sheets.push_back(std::move(sheet));
    }
    return book;
}

} // namespace pit::test
