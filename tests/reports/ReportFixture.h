// Fakes of the export services and the document writer, and a document
// opened on a small project of piles assembled byte by byte.
#pragma once

#include "controls/ListRows.h"
#include "core/doc/KEV_DUXDoc.h"
#include "platform/FontSetup.h"
#include "platform/MessageSink.h"
#include "platform/RecordingDevice.h"
#include "reports/ExportServices.h"
#include "reports/ReportBuilder.h"
#include "reports/WordExport.h"
#include "tests/support/DuxBuilder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>
#include <deque>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace pit::test {

// Answers the save dialog from a queue (Cancel when empty) and records the rest.
struct FakeExportServices : ExportServices {
    std::deque<std::optional<QString>> answers;
    std::vector<SaveFileAsk> asks;
    QStringList opened;
    QStringList messages;
    std::optional<QString> ChooseSaveFile(const SaveFileAsk& ask) override {
        asks.push_back(ask);
        if (answers.empty())
            return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    bool OpenWithDesktop(const QString& path) override {
        opened << path;
        return true;
    }
    int Message(const QString& text, const QString&, unsigned type) override {
        messages << text;
        return defaultResultForType(type);
    }
    // Progress shown: the calls, the last step, and the call on which the
    // user cancels (-1: never).
    int progressCalls = 0;
    int progressDone = 0;
    int cancelOnCall = -1;
    int progressEnded = 0;
    bool Progress(const QString&, int done, int) override {
        progressDone = done;
        return ++progressCalls != cancelOnCall && (cancelOnCall < 0 || progressCalls < cancelOnCall);
    }
    void EndProgress() override { ++progressEnded; }
};

struct FakeWordExport : WordExport {
    std::vector<WordSingleReport> single;
    std::vector<WordCountInfoReport> counts;
    std::vector<int> projectKinds;
    QStringList paths;
    bool WriteSingleReport(const WordSingleReport& r, const QString& path) override {
        single.push_back(r);
        paths << path;
        return true;
    }
    bool WriteCountInfoReport(const WordCountInfoReport& r, const QString& path) override {
        counts.push_back(r);
        paths << path;
        return true;
    }
    bool WriteProjectReport(const WordProjectReport& r, const QString& path) override;
};

// A text drawn in a field of a report table (its clip) shows whole: its
// cell lies inside the field, but for the fraction of a pixel of its advance
// and a pixel of the line's rounding.
inline ::testing::AssertionResult ShownWhole(const gdi::RecordedItem& t) {
    if (!t.clip)
        return ::testing::AssertionFailure() << t.text.toStdString() << " is drawn without a field";
    const QRect f = t.clip->boundingRect();
    if (t.rect.right() <= f.left() + f.width() + 0.5 && t.rect.top() >= f.top() - 1.0 &&
        t.rect.bottom() <= f.top() + f.height() + 1.0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << t.text.toStdString() << " at " << t.rect.left() << "," << t.rect.top() << ".." << t.rect.right()
           << "," << t.rect.bottom() << " outside its field " << f.left() << "," << f.top() << ".."
           << f.left() + f.width() << "," << f.top() + f.height();
}

// A blow with a first pulse at 60 and a toe echo at 400.
inline std::vector<float> Pulse(float gain = 1.0f) {
    std::vector<float> s(1024);
    for (int i = 0; i < 1024; ++i) {
        const double a = (i - 60) / 6.0, b = (i - 400) / 6.0;
        s[size_t(i)] = gain * float(10.0 * std::exp(-a * a) + 5.0 * std::exp(-b * b));
    }
    return s;
}

// A pile saved by the program: two blows and their average, 600 mm round.
inline DuxAnalysis SavedPile(const QString& pileNo) {
    DuxAnalysis a;
    a.pileNo = pileNo;
    a.project = QStringLiteral("滨江大桥");
    a.conclusion = QStringLiteral("桩身完整");
    a.diameter = 600;
    a.secondSide = 600;
    a.pileLength = 12.5f;
    a.waveSpeed = 3800;
    a.gradeIndex = 3;
    a.pileValues = {1.25f, -11.25f, 0.0000005f};
    DuxChannel c;
    c.samples = Pulse();
    c.toe = 400;
    c.head = 60;
    DuxChannel d = c;
    d.samples = Pulse(1.1f);
    a.channels = {c, d};
    a.averages = {c};
    a.current = 2;
    a.blowFlags[0] = a.blowFlags[1] = 1;
    return a;
}

struct ReportFixture : ::testing::Test {
    QTemporaryDir tmp;
    ScriptedMessageSink sink;
    AppContext ctx;
    std::unique_ptr<CKEV_DUXDoc> doc;
    FakeExportServices services;
    FakeWordExport word;
    QString folder;

    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        RegisterFontSubstitutions();
        ctx.messages = &sink;
        doc = std::make_unique<CKEV_DUXDoc>(
            ctx, CKEV_DUXDoc::Files{tmp.filePath(QStringLiteral("DuxConfig.xml")),
                                    tmp.filePath(QStringLiteral("VADUZI_PROINFO.ini"))});
        doc->SetWriteSettingsOnClose(false);
        folder = tmp.filePath(QStringLiteral("Bridge"));
        QDir().mkpath(folder);
    }

    QString WritePile(const QString& name, const DuxAnalysis& a, int32_t code = 1042) {
        return DuxBuilder::paramBlock("VADUZI", code).channels(2, 1024).analysis(a).writeTo(folder, name);
    }
    // Opens the first pile: the document reads it and builds the project of its folder.
    void Open(const QString& path) { ASSERT_TRUE(doc->OnOpenDocument(path)); }

    ReportEnv Env(int dpi = 600) {
        ReportEnv e;
        e.doc = doc.get();
        e.services = &services;
        e.word = &word;
        e.printerDpi = dpi;
        return e;
    }
    // A report list with the files' names (column 1 carries a trailing mark) ticked.
    static std::unique_ptr<ListRows> List(const QStringList& names, const QList<bool>& ticked = {}) {
        auto list = std::make_unique<ListRows>();
        list->InsertColumn(0, QStringLiteral("#"));
        list->InsertColumn(1, QStringLiteral("file"));
        list->InsertColumn(2, QStringLiteral("pile"));
        for (int i = 0; i < names.size(); ++i) {
            list->InsertItem(i, QString::number(i + 1));
            list->SetItemText(i, 1, names[i] + QStringLiteral("*"));
            list->SetItemText(i, 2, QFileInfo(names[i]).completeBaseName());
            list->SetItemCheck(i, ticked.isEmpty() || ticked.value(i));
        }
        return list;
    }
};

inline bool FakeWordExport::WriteProjectReport(const WordProjectReport& r, const QString& path) {
    projectKinds.push_back(r.kind);
    paths << path;
    return true;
}

} // namespace pit::test
