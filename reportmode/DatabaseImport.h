// The report-mode button "导入数据库": the project information dialog, the
// upload of the list's checked piles with a wait cursor, and its messages.
#pragma once

class CKEV_DUXDoc;
class QWidget;

namespace pit {

class ListRows;

// The configuration from Database.ini (and its environment overrides), the
// piles and pictures from the document. 1 when the rows were written, -1
// when cancelled or refused (the user has been told why).
int ImportResultsToDatabase(QWidget* parent, CKEV_DUXDoc& doc, const ListRows& list);

} // namespace pit
