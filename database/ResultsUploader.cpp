#include "database/ResultsUploader.h"

#include "controls/ListRows.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "database/DatabaseConfig.h"
#include "database/Odbc.h"
#include "platform/MessageSink.h"

#include <algorithm>
#include <cmath>

namespace pit {

std::vector<UploadListRow> UploadRowsFromList(const ListRows& list, const CProjectInfo& project) {
    std::vector<UploadListRow> rows;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        UploadListRow r;
        r.checked = list.GetItemCheck(i);
        r.name = list.GetItemText(i, 1);
        r.name.chop(1);
        r.path = r.name.isEmpty() ? QString() : project.GetPathByName(r.name);
        r.pileNo = list.GetItemText(i, 2);
        rows.push_back(r);
    }
    return rows;
}

// ---- pile values -----------------------------------------------------------------

ConstructionDateRule ConstructionDateRule::FromDocument(const CKEV_DUXDoc& doc) {
    ConstructionDateRule r;
    r.useAge = doc.m_bAllPilesAge;
    r.ageDays = doc.m_iAllAge;
    if (doc.m_bUseCommonInfo && doc.m_CommonInfo.Use(CCommonInfo::TestDate))
        r.commonTestDate = doc.m_CommonInfo.m_testDate;
    return r;
}

QDateTime ConstructionDateRule::Apply(const QDateTime& ownConstruction, const QDateTime& ownTest) const {
    if (!useAge)
        return ownConstruction;
    return commonTestDate.value_or(ownTest).addDays(-ageDays);
}

std::optional<PileUploadValues> RecordValueSource::Values(const QString& path) {
    // A fresh record per pile, so a failed read cannot leave the previous pile's values.
    CPileRecord record;
    if (!record.TryReadFile(path))
        return std::nullopt;
    const CWaveRecord* wave = record.m_nCurrentChannel < 0 ? nullptr : record.CurrentChannel();
    if (!wave)
        return std::nullopt;
    PileUploadValues v;
    v.pileNo = record.m_strPileNo;
    v.diameter = record.m_fDiameter;
    v.constructionDate = m_rule.Apply(record.m_constructionDate, record.m_testDate);
    const std::vector<DefectMark>& marks = wave->GetDefectMarks();
    if (marks.size() > 0)
        v.defect0 = wave->IndexToDepth(marks[0].index);
    if (marks.size() > 1)
        v.defect1 = wave->IndexToDepth(marks[1].index);
    v.waveSpeed = record.m_nWaveSpeed;
    v.integrityClass = record.m_strClass;
    v.integrityInfo = record.m_strConclusion;
    v.pileLength = record.m_fPileLength;
    return v;
}

double ToOleDate(const QDateTime& t) {
    const qint64 days = QDate(1899, 12, 30).daysTo(t.date());
    const double fraction = t.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch the whole days count down while the time of day still counts up.
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

// ---- upload ------------------------------------------------------------------------

int WaitedSeconds(std::chrono::steady_clock::duration waited) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(waited).count();
    return int(std::max<long long>(1, std::llround(double(ms) / 1000.0)));
}

namespace {

const QString kMasterInsert = QStringLiteral(
    "INSERT INTO ZDC_M (WTDBH, SYR1, SYR2, SBMCBH1, SBMCBH2, JLYJY) VALUES (?, ?, ?, ?, ?, ?)");
const QString kPileInsert =
    QStringLiteral("INSERT INTO ZDC_S (WTDBH, XH, ZBH, SCZJ, SYRQ, Defect0, Defect1, PileCA, IntegrityClass, "
                   "IntegrityInf, PileLen, pic) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");

UploadOutcome Fail(UploadOutcome::Status status, const QString& error, const QString& pile = {}) {
    UploadOutcome o;
    o.status = status;
    o.error = error;
    o.pile = pile;
    return o;
}

// The control of a writing that nobody watches.
struct Unwatched : UploadControl {
    bool StopRequested() override { return false; }
    void BeginCall(UploadPhase, void*, int) override {}
    void EndCall() override {}
    bool BeginCommit() override { return true; }
    void Progress(int) override {}
};

// The calls into the driver, each announced to the control; how long the
// last one took, for a timeout's message to give the time waited.
struct Calls {
    UploadControl& c;
    std::chrono::steady_clock::time_point started;

    template <typename F> odbc::Result operator()(UploadPhase phase, void* stmt, int limit, F&& f) {
        started = std::chrono::steady_clock::now();
        c.BeginCall(phase, stmt, limit);
        odbc::Result r = f();
        c.EndCall();
        return r;
    }
    int SecondsWaited() const { return WaitedSeconds(std::chrono::steady_clock::now() - started); }
};

// A failure; a timeout says how long the call was waited for.
UploadOutcome Fail(UploadOutcome::Status status, const QString& error, const Calls& calls,
                   const QString& pile = {}) {
    UploadOutcome o = Fail(status, error, pile);
    if (status == UploadOutcome::Status::TimedOut)
        o.timeoutSeconds = calls.SecondsWaited();
    return o;
}

} // namespace

std::optional<PreparedUpload> ResultsUploader::Prepare(const std::vector<UploadListRow>& rows,
                                                       const std::function<bool(int, int)>& progress) {
    PreparedUpload out;
    const int total =
        int(std::count_if(rows.begin(), rows.end(), [](const UploadListRow& r) { return r.checked; }));
    int done = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const UploadListRow& row = rows[i];
        if (!row.checked)
            continue;
        const std::optional<PileUploadValues> v =
            row.path.isEmpty() ? std::nullopt : m_values.Values(row.path);
        if (!v) {
            out.skipped << row.name;
        } else {
            QByteArray picture = m_pictures.Picture(row);
            if (picture.isEmpty()) {
                // Nothing is written without every picture.
                out.missingPicture = row.name;
                return out;
            }
            out.piles.push_back({int(i + 1), row.name, *v, std::move(picture)});
        }
        ++done;
        if (progress && !progress(done, total))
            return std::nullopt;
    }
    return out;
}

UploadOutcome ResultsUploader::Upload(const QString& connectionString, const UploadOrder& order,
                                      const std::vector<UploadListRow>& rows) {
    return WriteUpload(connectionString, order, *Prepare(rows), Timeouts());
}

UploadOutcome WriteUpload(const QString& connectionString, const UploadOrder& order,
                          const PreparedUpload& prepared, UploadTimeouts timeouts, UploadControl* control) {
    using Status = UploadOutcome::Status;
    using Phase = UploadPhase;
    if (!prepared.missingPicture.isEmpty())
        return Fail(Status::NoPicture, {}, prepared.missingPicture);
    Unwatched unwatched;
    UploadControl& c = control ? *control : unwatched;
    Calls call{c, {}};
    const int q = timeouts.querySeconds;

    odbc::Environment env;
    if (!env.status())
        return Fail(Status::NoConnection, env.status().message);
    odbc::Connection db(env);
    if (odbc::Result r = call(Phase::Connecting, nullptr, timeouts.loginSeconds,
                              [&] { return db.Open(connectionString, timeouts.loginSeconds); });
        !r)
        return Fail(r.IsTimeout() ? Status::TimedOut : Status::NoConnection, r.message, call);

    // How the table declares the date and the picture, learned before the
    // transaction starts (a failed look-up must not spoil it); the driver's
    // usual types when it cannot be described.
    odbc::ColumnInfo dateColumn, picColumn;
    {
        odbc::Statement probe(db);
        probe.SetQueryTimeout(q);
        if (call(Phase::Checking, probe.handle(), q,
                 [&] { return probe.ExecDirect(QStringLiteral("SELECT SYRQ, pic FROM ZDC_S WHERE 1=0")); })) {
            probe.Describe(1, dateColumn);
            probe.Describe(2, picColumn);
        }
    }
    if (c.StopRequested())
        return Fail(Status::Cancelled, {});

    // Everything below commits together or not at all; the connection rolls
    // back whatever is left open when it closes.
    if (odbc::Result r = call(Phase::Checking, nullptr, q, [&] { return db.SetAutoCommit(false); }); !r)
        return Fail(Status::Failed, r.message);
    auto failed = [&](Status status, const odbc::Result& r, const QString& pile = {}) {
        db.Rollback();
        if (c.StopRequested())
            return Fail(Status::Cancelled, r.message, pile);
        return Fail(r.IsTimeout() ? Status::TimedOut : status, r.message, call, pile);
    };
    auto stopped = [&] {
        db.Rollback();
        return Fail(Status::Cancelled, {});
    };

    {
        odbc::Statement check(db);
        check.SetQueryTimeout(q);
        odbc::Result r = check.Prepare(QStringLiteral("SELECT COUNT(*) FROM ZDC_M WHERE WTDBH = ?"));
        if (r) {
            check.BindText(1, order.entrustNo);
            r = call(Phase::Checking, check.handle(), q, [&] { return check.Execute(); });
        }
        if (!r)
            return failed(Status::Failed, r);
        if (!check.Fetch())
            return failed(Status::Failed, check.status());
        if (check.GetInt(1).value_or(0) > 0) {
            db.Rollback();
            return Fail(Status::Duplicate, {});
        }
    }
    if (c.StopRequested())
        return stopped();

    {
        odbc::Statement master(db);
        master.SetQueryTimeout(q);
        odbc::Result r = master.Prepare(kMasterInsert);
        if (r) {
            const QString* values[] = {&order.entrustNo, &order.tester1, &order.tester2,
                                       &order.device1,   &order.device2, &order.conclusion};
            for (int i = 0; i < 6; ++i)
                master.BindText(i + 1, *values[i]);
            r = call(Phase::Writing, master.handle(), q, [&] { return master.Execute(); });
        }
        // Another upload may have taken the number since the check.
        if (r.IsIntegrityViolation() && !c.StopRequested()) {
            db.Rollback();
            return Fail(Status::Duplicate, {});
        }
        if (!r)
            return failed(Status::Failed, r);
    }

    UploadOutcome outcome;
    outcome.skipped = prepared.skipped;
    odbc::Statement pile(db);
    pile.SetQueryTimeout(q);
    if (odbc::Result r = pile.Prepare(kPileInsert); !r)
        return failed(Status::Failed, r);
    for (const PreparedPile& p : prepared.piles) {
        if (c.StopRequested())
            return stopped();
        const PileUploadValues& v = p.values;
        pile.BindText(1, order.entrustNo);
        pile.BindInt(2, int32_t(p.xh));
        pile.BindText(3, v.pileNo);
        pile.BindFloat(4, v.diameter);
        // A pile without a valid date gets none rather than a made-up one.
        if (dateColumn.IsFloating() && !v.constructionDate.isValid())
            pile.BindNull(5, dateColumn.sqlType);
        else if (dateColumn.IsFloating())
            pile.BindDouble(5, ToOleDate(v.constructionDate));
        else if (dateColumn.IsDate())
            pile.BindDate(5, v.constructionDate.date());
        else
            pile.BindTimestamp(5, v.constructionDate);
        pile.BindFloat(6, v.defect0);
        pile.BindFloat(7, v.defect1);
        pile.BindInt(8, v.waveSpeed);
        pile.BindText(9, v.integrityClass);
        pile.BindText(10, v.integrityInfo);
        pile.BindFloat(11, v.pileLength);
        pile.BindBinary(12, p.picture, picColumn.IsBinary() ? picColumn.sqlType : 0);
        if (odbc::Result r = call(Phase::Writing, pile.handle(), q, [&] { return pile.Execute(); }); !r)
            return failed(Status::Failed, r, p.name);
        ++outcome.pileRows;
        c.Progress(outcome.pileRows);
    }
    if (!c.BeginCommit())
        return stopped();
    if (odbc::Result r = call(Phase::Committing, nullptr, q, [&] { return db.Commit(); }); !r)
        return failed(Status::Failed, r);
    outcome.status = Status::Written;
    return outcome;
}

// ---- messages and the button's routine ------------------------------------------------

OutcomeMessage MessageFor(const UploadOutcome& o, bool english) {
    using Status = UploadOutcome::Status;
    const QString tips = english ? QStringLiteral("Tips") : QStringLiteral("提示");
    switch (o.status) {
    case Status::Written: {
        QString text = english ? QStringLiteral("Import succeeded!\n%1 pile rows written.").arg(o.pileRows)
                               : QStringLiteral("导入成功！\n已写入 %1 根桩的数据。").arg(o.pileRows);
        if (!o.skipped.isEmpty())
            text += english
                        ? QStringLiteral("\nNot imported (file unreadable or without a current channel): ")
                        : QStringLiteral("\n未导入（文件无法读取或没有当前通道）：");
        text += o.skipped.join(QStringLiteral(", "));
        return {text, tips, MB_OK | MB_ICONINFORMATION};
    }
    case Status::Duplicate:
        return {english ? QStringLiteral("This order number already exists, please enter another one.")
                        : QStringLiteral("该委托单编号已存在，请重新输入"),
                tips, MB_OK | MB_ICONWARNING};
    case Status::NoConnection:
        return {(english ? QStringLiteral("Failed to initialise the data source!\n")
                         : QStringLiteral("初始化数据源失败！\n")) +
                    o.error,
                tips, MB_OK | MB_ICONWARNING};
    case Status::Failed: {
        QString text = english ? QStringLiteral("Nothing was imported.\n")
                               : QStringLiteral("导入失败，未写入任何数据。\n");
        if (!o.pile.isEmpty())
            text +=
                (english ? QStringLiteral("Pile file: %1\n") : QStringLiteral("桩文件：%1\n")).arg(o.pile);
        return {text + o.error, english ? QStringLiteral("Error") : QStringLiteral("错误提示"),
                MB_OK | MB_ICONERROR};
    }
    case Status::NoPicture:
        return {english
                    ? QStringLiteral("Nothing was imported: the picture of %1 could not be made.").arg(o.pile)
                    : QStringLiteral("导入失败，未写入任何数据：无法生成 %1 的图片。").arg(o.pile),
                english ? QStringLiteral("Error") : QStringLiteral("错误提示"), MB_OK | MB_ICONERROR};
    case Status::Cancelled:
        return {english ? QStringLiteral("The upload was cancelled; nothing was written.")
                        : QStringLiteral("上传已取消，未写入任何数据。"),
                tips, MB_OK | MB_ICONINFORMATION};
    case Status::TimedOut: {
        QString text = english
                           ? QStringLiteral("The database did not answer within %1 seconds; the upload was "
                                            "stopped and nothing was written.")
                                 .arg(o.timeoutSeconds)
                           : QStringLiteral("数据库在 %1 秒内没有响应，上传已停止，未写入任何数据。")
                                 .arg(o.timeoutSeconds);
        if (!o.error.isEmpty())
            text += QLatin1Char('\n') + o.error;
        return {text, english ? QStringLiteral("Error") : QStringLiteral("错误提示"), MB_OK | MB_ICONERROR};
    }
    case Status::Unknown:
        return {english
                    ? QStringLiteral("The database did not confirm the commit within %1 seconds; whether the "
                                     "rows were written is not known. Please check the database.")
                          .arg(o.timeoutSeconds)
                    : QStringLiteral("数据库在 %1 秒内没有确认提交，无法确定数据是否已写入，请检查数据库。")
                          .arg(o.timeoutSeconds),
                english ? QStringLiteral("Error") : QStringLiteral("错误提示"), MB_OK | MB_ICONERROR};
    }
    return {};
}

int RunDatabaseImport(const ImportRequest& q) {
    auto tell = [&q](const QString& text, const QString& caption, unsigned type) {
        if (q.messages)
            q.messages->show(text, caption, type);
    };
    // The piles are read and drawn once, whatever number the user enters.
    std::optional<PreparedUpload> prepared;
    for (;;) {
        const std::optional<UploadOrder> order = q.ask ? q.ask() : std::nullopt;
        if (!order)
            return -1;
        const QString connection = BuildSqlConnectionString(*q.config, order->ServerAddress());
        if (connection.isEmpty()) {
            tell(MissingServerMessage(*q.config, q.english),
                 q.english ? QStringLiteral("Tips") : QStringLiteral("提示"), MB_OK | MB_ICONWARNING);
            return -1;
        }
        UploadOutcome outcome;
        try {
            if (!prepared) {
                prepared = q.prepare
                               ? q.prepare(q.rows)
                               : (q.uploader ? q.uploader->Prepare(q.rows) : std::optional(PreparedUpload{}));
                if (!prepared) {
                    outcome.status = UploadOutcome::Status::Cancelled;
                    const OutcomeMessage m = MessageFor(outcome, q.english);
                    tell(m.text, m.caption, m.type);
                    return -1;
                }
            }
            if (q.write) {
                outcome = q.write(connection, *order, *prepared);
            } else {
                // The wait ends however the upload ends.
                struct Busy {
                    const std::function<void(bool)>& f;
                    explicit Busy(const std::function<void(bool)>& f) : f(f) {
                        if (f)
                            f(true);
                    }
                    ~Busy() {
                        if (f)
                            f(false);
                    }
                } busy(q.busy);
                outcome = WriteUpload(connection, *order, *prepared,
                                      q.uploader ? q.uploader->Timeouts() : UploadTimeouts{});
            }
        } catch (const std::exception& e) {
            // Nothing was committed: the connection rolled back as it closed.
            outcome.status = UploadOutcome::Status::Failed;
            outcome.error = QString::fromLocal8Bit(e.what());
        }
        const OutcomeMessage m = MessageFor(outcome, q.english);
        tell(m.text, m.caption, m.type);
        if (outcome.status != UploadOutcome::Status::Duplicate)
            return outcome.status == UploadOutcome::Status::Written ? 1 : -1;
    }
}

} // namespace pit
