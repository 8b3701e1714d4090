// The main window on the sample project with report mode's list and form at
// hand: rows found and clicked as the user does, piles read back from disk.
#pragma once

#include "controls/SListCtrl.h"
#include "core/pile/PileRecord.h"
#include "mainwnd/CommandIds.h"
#include "reportmode/ExportForm.h"
#include "reportmode/ExportView.h"
#include "tests/mainwnd/FrameFixture.h"

namespace pit::test {

struct ReportFormFrame : Frame {
    CExportView* view() const { return frame->ExportView(); }
    template <class W> W* field(int id) const { return qobject_cast<W*>(FindCtrl(frame->ExportForm(), id)); }
    int RowOf(const char* fileName) const {
        CSListCtrl* list = view()->List();
        for (int r = 0; r < list->GetItemCount(); ++r)
            if (list->GetItemText(r, 1) == QString::fromLatin1(fileName) + QStringLiteral("*"))
                return r;
        return -1;
    }
    void ClickRow(const char* fileName) {
        const int row = RowOf(fileName);
        ASSERT_GE(row, 0) << fileName;
        CSListCtrl* list = view()->List();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 2)).center());
        settle();
    }
    // Report mode (single-pile unless told) with the row of fileName shown.
    void EnterAt(const char* fileName, int command = cmd::kSingleReport) {
        ASSERT_TRUE(choose(command));
        settle();
        ASSERT_NO_FATAL_FAILURE(ClickRow(fileName));
    }
    CPileRecord OnDisk(const char* name) const {
        CPileRecord r;
        EXPECT_TRUE(r.ReadFile(pile(name)));
        return r;
    }
};

} // namespace pit::test
