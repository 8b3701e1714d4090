// The batch's documents through the program's report builders: the
// single-pile report of a group's files, or its project report (variant A,
// or B for the fixed-English format), written by the installed Word writer.
#pragma once

#include "batch/BatchReports.h"

namespace pit {

class WordExport;

class BuilderReportWriter : public BatchReportWriter {
public:
    // word: the document writer the builders export through (none: every
    // export fails with the builders' own message).
    explicit BuilderReportWriter(WordExport* word) : m_word(word) {}

    bool Write(CKEV_DUXDoc& doc, const Report& report, QString& error, QStringList& leftOut) override;

private:
    WordExport* m_word;
};

} // namespace pit
