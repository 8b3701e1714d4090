// Small routines shared by the drawing, dialog and conversion code.
#pragma once

#include "platform/AppContext.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// Decimals outside 1..6: false and text unchanged; else "%.<d>f" (plain) or
// the left-aligned "%-.<d>f".
bool FormatFloat(QString& text, float value, int decimals, bool plain);

// A typed number: texts under 120 characters parse as a decimal prefix in the
// C locale (no number gives 0) and return 1; longer ones show a message,
// leave out unchanged and return -1.
int ParseNumberChecked(const QString& text, float& out, const pit::AppContext& ctx);

// "I" 1 .. "V" 5, anything else 0.
int PileClassFromText(const QString& text);

// The blows that take part in the average as the reports list them: "1、2、3".
QString AverageBlowsText(const std::array<int32_t, 15>& flags);

// -1 differentiated, 0 untouched, 1 integrated; other states leave text unchanged.
void IntegrationStateText(QString& text, int state, bool english);

// A growable array of the 2500-byte records of a ZEZ file.
class CPitRecordArray {
public:
    static constexpr size_t kRecordSize = 2500;
    using Record = std::array<uint8_t, kRecordSize>;

    void Add(const Record& r) { m_records.push_back(r); }
    Record& Add() { return m_records.emplace_back(Record{}); }
    size_t GetSize() const { return m_records.size(); }
    Record& operator[](size_t i) { return m_records.at(i); }
    const Record& operator[](size_t i) const { return m_records.at(i); }
    void RemoveAll() { m_records.clear(); }

    // False when empty or the file cannot be written; else the records back
    // to back, written atomically.
    bool SaveToFile(const QString& path) const;
    // SaveToFile that throws FileError (naming the cause) when the file cannot
    // be written; false only when there is nothing to write.
    bool WriteToFile(const QString& path) const;

private:
    std::vector<Record> m_records;
};
