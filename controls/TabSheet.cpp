#include "controls/TabSheet.h"

#include "controls/CtrlId.h"

CTabSheet::CTabSheet(QWidget* parent) : QTabWidget(parent) {
    connect(this, &QTabWidget::currentChanged, this, &CTabSheet::OnTabChanged);
}

bool CTabSheet::AddPage(const QString& title, QWidget* page, int templateId, std::function<void()> load) {
    if (int(m_pages.size()) >= kMaxPages || !page)
        return false;
    m_pages.push_back({title, page, templateId, std::move(load)});
    return true;
}

void CTabSheet::Show() {
    if (m_shown)
        return;
    m_shown = true;
    m_current = 0;
    for (const Page& p : m_pages) {
        pit::SetCtrlId(p.page, p.templateId);
        addTab(p.page, p.title);
    }
    setCurrentIndex(0);
}

void CTabSheet::OnTabChanged(int index) {
    if (!m_shown || index < 0 || index == m_current)
        return;
    m_current = index;
    if (const auto& load = m_pages[size_t(index)].load)
        load();
}
