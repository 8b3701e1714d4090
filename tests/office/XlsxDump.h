// Reads a written workbook back through openpyxl (tests/office/xlsx_dump.py):
// what another program sees of the file, not what our model holds.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

namespace pit::test {

struct XlsxCell {
    QString type; // "text", "number", "datetime", "date", "time", "empty"
    QJsonValue value;
    QString format; // number format, "General" when none
    QString align;  // "", "center", "right", ...
    QString edges;  // thin edges among "LTBR"

    QString text() const { return value.toString(); }
    double number() const { return value.toDouble(); }
};

struct XlsxSheet {
    QString name;
    std::map<QString, XlsxCell> cells;
    std::map<QString, double> widths; // by column letters
    QStringList merges;
    QString freeze;

    // The cell, or an empty one when the file has nothing there.
    XlsxCell at(const QString& ref) const;
};

struct XlsxBook {
    std::vector<XlsxSheet> sheets;
    QString active;
    int styles = 0; // cell formats the file holds
};

// The workbook as openpyxl reads it; nothing (and a test failure message in
// error) when the script fails.
std::optional<XlsxBook> readXlsx(const QString& path, QString* error = nullptr);

} // namespace pit::test
