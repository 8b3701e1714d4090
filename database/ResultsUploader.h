// The upload of report-mode results into the customer's database: one ZDC_M
// row per order and one ZDC_S row per checked pile, written in one
// transaction through ODBC with parameterised statements. No widgets: the
// pile values and pictures come through two small interfaces, the project
// information through a callback, and messages go to the message sink.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CCommonInfo;
class CKEV_DUXDoc;
class CProjectInfo;

namespace pit {

class ListRows;
class MessageSink;
struct DatabaseConfig;

// What the project information dialog gives an upload.
struct UploadOrder {
    QString entrustNo; // the order number, never empty
    QString tester1, tester2;
    QString device1, device2;
    QString conclusion;
    int userType = -1; // 0 intranet, 1 extranet, -1 none chosen
    uint32_t intranetIp = 0;
    uint32_t extranetIp = 0;

    // The intranet address for an intranet user, else the extranet one.
    uint32_t ServerAddress() const { return userType == 0 ? intranetIp : extranetIp; }
};

// One row of the report-mode list, in list order (XH counts every row).
struct UploadListRow {
    bool checked = false;
    QString name;   // the file name shown
    QString path;   // the project's path for it; empty when it has none
    QString pileNo; // the pile number shown
};

// The rows of the report-mode list: check box, column 1 (the file name with
// its trailing mark), column 2 (the pile number), and the project's path for the name.
std::vector<UploadListRow> UploadRowsFromList(const ListRows& list, const CProjectInfo& project);

// The values of one ZDC_S row taken from a pile file.
struct PileUploadValues {
    QString pileNo;
    float diameter = 0; // mm
    QDateTime constructionDate;
    float defect0 = 0, defect1 = 0; // depths (m) of the first two defect marks, 0 when missing
    int32_t waveSpeed = 0;
    QString integrityClass;
    QString integrityInfo;
    float pileLength = 0; // m
};

class PileValueSource {
public:
    virtual ~PileValueSource() = default;
    // Nothing when the file cannot be read or has no current channel: the pile is skipped.
    virtual std::optional<PileUploadValues> Values(const QString& path) = 0;
};

class PilePictureSource {
public:
    virtual ~PilePictureSource() = default;
    // The BMP file of the row's report cell; empty when it cannot be made.
    virtual QByteArray Picture(const UploadListRow& row) = 0;
};

// The construction date an upload gives a pile: with the age rule on, the
// test date (the common one when the common test date is in use) minus the
// common age; otherwise the pile's own.
struct ConstructionDateRule {
    bool useAge = false;
    int ageDays = 14;
    std::optional<QDateTime> commonTestDate;

    static ConstructionDateRule FromDocument(const CKEV_DUXDoc& doc);
    QDateTime Apply(const QDateTime& ownConstruction, const QDateTime& ownTest) const;
};

// Reads each pile file into a fresh record.
class RecordValueSource : public PileValueSource {
public:
    explicit RecordValueSource(ConstructionDateRule rule) : m_rule(std::move(rule)) {}
    std::optional<PileUploadValues> Values(const QString& path) override;

private:
    ConstructionDateRule m_rule;
};

// Days since 1899-12-30 with the time of day as fraction (the OLE date).
double ToOleDate(const QDateTime& t);

struct UploadOutcome {
    enum class Status { Written, Duplicate, NoConnection, Failed, NoPicture, Cancelled, TimedOut, Unknown };
    Status status = Status::Failed;
    int pileRows = 0;
    QStringList skipped;    // names of checked piles without a row
    QString pile;           // the pile whose row failed
    QString error;          // the driver's text
    int timeoutSeconds = 0; // TimedOut, Unknown: the seconds waited before giving up
};

// One pile row ready to be written: its list number, values and picture.
struct PreparedPile {
    int xh = 0; // the row's number in the list, 1-based
    QString name;
    PileUploadValues values;
    QByteArray picture;
};

// What an upload writes, made from the piles and the report pictures before
// the database is touched, so that writing needs nothing but the database.
struct PreparedUpload {
    std::vector<PreparedPile> piles;
    QStringList skipped;    // checked rows without a readable pile
    QString missingPicture; // a pile whose picture could not be made: nothing is written
};

// The steps of the writing, for a progress display.
enum class UploadPhase { Connecting, Checking, Writing, Committing };

// How a writing is watched from another thread: asked between the steps
// whether to stop, and told around every call into the driver.
class UploadControl {
public:
    virtual ~UploadControl() = default;
    // True once the upload is to stop: what it did is rolled back.
    virtual bool StopRequested() = 0;
    // A call into the driver begins: on statement (null for the connection)
    // with the limit the driver was given.
    virtual void BeginCall(UploadPhase phase, void* statement, int limitSeconds) = 0;
    virtual void EndCall() = 0;
    // The commit is about to start; false when the upload is to stop instead.
    virtual bool BeginCommit() = 0;
    // Pile rows written so far.
    virtual void Progress(int rowsWritten) = 0;
};

// Seconds waited, as a timeout's message gives them: rounded, at least 1.
int WaitedSeconds(std::chrono::steady_clock::duration waited);

struct UploadTimeouts {
    int loginSeconds = 15;
    int querySeconds = 60;
};

// Connects, checks the order number, writes the master row and the pile rows
// and commits, in one transaction: on any failure, or when control asks to
// stop, nothing stays written. Blocks while the driver does.
UploadOutcome WriteUpload(const QString& connectionString, const UploadOrder& order,
                          const PreparedUpload& prepared, UploadTimeouts timeouts,
                          UploadControl* control = nullptr);

class ResultsUploader {
public:
    ResultsUploader(PileValueSource& values, PilePictureSource& pictures)
        : m_values(values), m_pictures(pictures) {}

    // The values and pictures of the checked rows. progress(done, total) is
    // called after each pile; false from it stops the work (nothing then).
    std::optional<PreparedUpload> Prepare(const std::vector<UploadListRow>& rows,
                                          const std::function<bool(int done, int total)>& progress = {});

    // Prepare, then WriteUpload here and now.
    UploadOutcome Upload(const QString& connectionString, const UploadOrder& order,
                         const std::vector<UploadListRow>& rows);

    UploadTimeouts Timeouts() const { return {loginTimeoutSeconds, queryTimeoutSeconds}; }
    int loginTimeoutSeconds = 15;
    int queryTimeoutSeconds = 60;

private:
    PileValueSource& m_values;
    PilePictureSource& m_pictures;
};

// The message an outcome gives the user; for Duplicate the request to enter another number.
struct OutcomeMessage {
    QString text;
    QString caption;
    unsigned type = 0;
};
OutcomeMessage MessageFor(const UploadOutcome& outcome, bool english);

// The upload button's routine: asks for the project information (nothing:
// cancelled), builds the connection string from the configuration and the
// chosen address, prepares the piles once, writes them and tells the
// outcome; a taken order number asks again. 1 when the rows were written,
// -1 otherwise.
struct ImportRequest {
    std::function<std::optional<UploadOrder>()> ask;
    const DatabaseConfig* config = nullptr;
    std::vector<UploadListRow> rows;
    ResultsUploader* uploader = nullptr;
    MessageSink* messages = nullptr;
    bool english = false;
    // Brackets the default writing (the wait cursor).
    std::function<void(bool)> busy;
    // The piles made ready (the window: with a progress dialog and Cancel);
    // nothing when cancelled. By default uploader->Prepare.
    std::function<std::optional<PreparedUpload>(const std::vector<UploadListRow>&)> prepare;
    // The writing (the window: on a worker thread, with a progress dialog,
    // Cancel and timeouts of its own). By default WriteUpload here and now.
    std::function<UploadOutcome(const QString& connection, const UploadOrder&, const PreparedUpload&)> write;
};
int RunDatabaseImport(const ImportRequest& request);

} // namespace pit
