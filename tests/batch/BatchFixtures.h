// Pile files for the batch tests, built byte by byte in a temporary folder.
#pragma once

#include "platform/AppContext.h"
#include "tests/support/DuxBuilder.h"

#include <QDateTime>
#include <QString>

namespace pit::test {

// A pile saved with its analysis (analysed) or as the instrument wrote it.
inline QString writePile(const QString& dir, const QString& name, const QString& project,
                         const QString& pileNo, bool analysed) {
    if (analysed) {
        DuxAnalysis a;
        a.pileNo = pileNo;
        a.project = project;
        a.channels = {DuxChannel{}};
        a.averages = {DuxChannel{}};
        return DuxBuilder::paramBlock("VADUZI", 1042).channels(1, 1024).analysis(a).writeTo(dir, name);
    }
    return DuxBuilder::paramBlock("RIRADAD", 100)
        .channels(1, 1024)
        .project(project)
        .pileNo(pileNo)
        .writeTo(dir, name);
}

// 2024-03-15 09:30:00 local, for every stamp of a run.
inline QDateTime fixedNow() {
    return QDateTime(QDate(2024, 3, 15), QTime(9, 30, 0));
}

inline AppContext batchContext(MessageSink* sink) {
    AppContext ctx;
    ctx.interactive = false;
    ctx.messages = sink;
    ctx.clock = fixedNow;
    return ctx;
}

} // namespace pit::test
