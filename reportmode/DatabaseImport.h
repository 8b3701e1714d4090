// The report-mode button "导入数据库": the project information dialog, the
// upload of the list's checked piles and its messages. The writing runs on
// a worker thread behind a progress box with Cancel, so the window keeps
// painting while the database is slow to answer.
#pragma once

class CKEV_DUXDoc;
class QWidget;

namespace pit {

class ListRows;

// The control id of the upload's progress box.
constexpr int kUploadProgressId = 2210;

// The configuration from Database.ini (and its environment overrides), the
// piles and pictures from the document. 1 when the rows were written, -1
// when cancelled or refused (the user has been told why).
int ImportResultsToDatabase(QWidget* parent, CKEV_DUXDoc& doc, const ListRows& list);

} // namespace pit
