// A report builder that prints "Page n" at the top left of each body and
// remembers what the host asked of it.
#pragma once

#include "reports/ReportBuilder.h"

#include <QStringList>
#include <vector>

namespace pit::test {

struct StubBuilder : CReportBuilder {
    int pages = 3; // CPrintInfo::kUnknownMaxPage leaves the count open
    std::vector<gdi::Rect> layouts;
    std::vector<int> printed;
    QStringList calls;

    void SetPageRange(CPrintInfo& info) override {
        calls << QStringLiteral("range");
        info.SetMaxPage(pages);
    }
    void LayoutPage(const gdi::Rect& page, gdi::Canvas&) override { layouts.push_back(page); }
    void PrintPage(gdi::Canvas& dc, CPrintInfo& info) override {
        printed.push_back(info.currentPage);
        const gdi::Rect& body = layouts.back();
        dc.TextOut(body.left, body.top, QStringLiteral("Page %1").arg(info.currentPage));
    }
    void UpdatePileList() override { calls << QStringLiteral("update"); }
    bool ExportWord(const QString& name) override {
        calls << QStringLiteral("word:") + name;
        return true;
    }
    bool ExportEmf() override {
        calls << QStringLiteral("emf");
        return true;
    }
    bool ExportExcel() override {
        calls << QStringLiteral("excel");
        return true;
    }
    QImage RenderToBitmap(const gdi::Rect& r) override {
        calls << QStringLiteral("bitmap");
        QImage image(r.Width(), r.Height(), QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    }
    void SetPictureMode(bool on) override { calls << QStringLiteral("picture:%1").arg(on); }
    void SetCommonInfo(bool use, const CCommonInfo* values) override {
        calls << QStringLiteral("common:%1:%2").arg(use).arg(values != nullptr);
    }
    void SetDecimalPlaces(int n) override { calls << QStringLiteral("decimals:%1").arg(n); }
};

} // namespace pit::test
