// A tab control holding up to three pages; switching to a tab loads the
// page's controls from its data before showing it.
#pragma once

#include <QTabWidget>
#include <functional>
#include <vector>

class CTabSheet : public QTabWidget {
    Q_OBJECT
public:
    static constexpr int kMaxPages = 3;

    explicit CTabSheet(QWidget* parent = nullptr);

    // False when three pages exist already. load fills the page's controls
    // from its data each time its tab is chosen.
    bool AddPage(const QString& title, QWidget* page, int templateId, std::function<void()> load = {});
    // Puts the pages into their tabs and shows the first.
    void Show();

    int pageCount() const { return int(m_pages.size()); }
    int currentPage() const { return m_current; }

private:
    void OnTabChanged(int index);

    struct Page {
        QString title;
        QWidget* page;
        int templateId;
        std::function<void()> load;
    };
    std::vector<Page> m_pages;
    int m_current = 0;
    bool m_shown = false;
};
