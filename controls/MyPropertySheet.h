// The settings window: a list of page names at the left in place of tabs, a
// painted title band above the page, pages made when first shown, and an OK
// that checks every shown page before it applies any of them.
#pragma once

#include "platform/Color.h"

#include <QDialog>
#include <QIcon>
#include <utility>
#include <vector>

class QListWidget;
class QPushButton;
class QStackedWidget;

// One page of the settings sheet. The sheet does not own it.
class CSheetPage {
public:
    virtual ~CSheetPage() = default;
    virtual QString TabText() const = 0;
    // Makes the page's window; called the first time the page is shown.
    virtual QWidget* CreatePage(QWidget* parent) = 0;
    // Checks the page's fields (a page that refuses tells the user itself).
    virtual bool Validate() { return true; }
    virtual void Apply() {}
    // The refresh codes (code, sub-code) the main window gets after Apply, in order.
    virtual std::vector<std::pair<int, int>> RefreshCodes() const { return {}; }
    // Called each time the sheet shows the page (pages hide their own buttons here).
    virtual void OnShownInSheet(QWidget* page) {}
};

class CMyPropertySheet : public QDialog {
    Q_OBJECT
public:
    CMyPropertySheet(const QString& caption, QWidget* parent = nullptr, int selectPage = 0);
    ~CMyPropertySheet() override;

    void AddPage(CSheetPage* page);
    // The n-th icon belongs to the n-th page.
    void AddIcon(const QIcon& icon);
    // The page shown first; returns 0.
    int SetMode(int page);

    int currentPage() const { return m_current; }
    const QString& title() const { return m_title; }
    // The window of a page, null while it was never shown.
    QWidget* pageWindow(int index) const;
    QListWidget* pageList() const { return m_list; }

    // Shows page index as a click on its row does; out-of-range rows change nothing.
    void SelectPage(int index);

    // A refresh a page asks for while it is open (a control changed).
    void RequestRefresh(int code, int sub = 0);
    // The same from a page's window: the sheet it sits in, nothing outside a sheet.
    static void RequestRefreshFrom(QWidget* page, int code, int sub = 0);

    // The list text of a page: the tab text, or its English name.
    static QString PageListText(const QString& tabText, bool english);
    // Colour of pixel x of an underline from x0 to x1 in colour c (per channel).
    static int UnderlineChannel(int c, int x0, int x1, int x);

Q_SIGNALS:
    // One refresh code and its sub-code for the main window.
    void refreshRequested(int code, int sub);

public Q_SLOTS:
    // OK: every shown page is checked first; only when all pass are they
    // applied, in page order, and their refresh codes sent.
    void accept() override;

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void InitDialog();
    void ShowPage(int index);
    QRect TitleBand() const;

    std::vector<CSheetPage*> m_pages;
    std::vector<QWidget*> m_windows;
    std::vector<QIcon> m_icons;
    QListWidget* m_list = nullptr;
    QStackedWidget* m_stack = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    int m_current = 0;
    pit::COLORREF m_selectionColor = 0xFF8400;
    pit::COLORREF m_underlineColor = 0xFF8400;
    pit::COLORREF m_titleColor = 0xFF845C;
    QString m_title;
    bool m_initialised = false;
};
