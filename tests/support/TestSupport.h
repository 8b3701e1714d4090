// Helpers shared by the tests.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace pit::test {

// The folder of committed reference data (tests/data).
QString dataDir();

// A CSV file of numbers with one header line; columns by header name.
struct Csv {
    QStringList header;
    std::vector<std::vector<double>> rows;
    std::vector<double> column(const QString& name) const;
};
Csv readCsv(const QString& path);

} // namespace pit::test
