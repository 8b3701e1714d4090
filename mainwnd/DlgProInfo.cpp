// The project page of the main panel.
#include "mainwnd/DlgProInfo.h"

#include "controls/CtrlId.h"
#include "controls/LanguageWidgets.h"
#include "controls/ShownValue.h"
#include "controls/UiServices.h"
#include "core/pile/PileRecord.h"
#include "platform/MessageSink.h"
#include "platform/TimeUtil.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimeEdit>
#include <tuple>

using namespace pit;

namespace {

QLabel* Label(const QString& text, int id, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    SetCtrlId(l, id);
    return l;
}

} // namespace

CDlgProInfo::CDlgProInfo(CPileRecord* record, QString* projectTexts, QWidget* parent)
    : QWidget(parent), m_record(record), m_texts(projectTexts) {
    SetCtrlId(this, kTemplateId);
    auto* form = new QFormLayout(this);
    auto edit = [this](int id, int limit) {
        auto* e = new QLineEdit(this);
        SetCtrlId(e, id);
        if (limit > 0)
            e->setMaxLength(limit);
        TrackUserEdits(e);
        // Leaving an edit stores the texts; a changed text changes the pile.
        connect(e, &QLineEdit::editingFinished, this, [this] {
            if (SaveToRecord(true))
                Changed();
        });
        connect(e, &QLineEdit::returnPressed, e, [e] { e->setToolTip(e->text()); });
        return e;
    };
    m_project = edit(1018, 50);
    m_testUnit = edit(1021, 50);
    m_buildUnit = edit(1020, 0);
    m_tester = edit(1049, 25);
    m_testDateEdit = new QDateEdit(this);
    SetCtrlId(m_testDateEdit, 1023);
    m_testTimeEdit = new QTimeEdit(this);
    SetCtrlId(m_testTimeEdit, 2056);
    m_testTimeEdit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    m_testTimeEdit->setEnabled(false);
    m_buildDateEdit = new QDateEdit(this);
    SetCtrlId(m_buildDateEdit, 1024);
    for (QDateEdit* d : {m_testDateEdit, m_buildDateEdit}) {
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        d->setCalendarPopup(true);
    }
    m_ageEdit = new QLineEdit(this);
    SetCtrlId(m_ageEdit, 1343);
    m_ageEdit->setValidator(new QIntValidator(-99999, 99999, m_ageEdit));
    connect(m_ageEdit, &QLineEdit::returnPressed, this, &CDlgProInfo::ApplyAge);

    form->addRow(Label(QStringLiteral("工程名称:"), 1800, this), m_project);
    form->addRow(Label(QStringLiteral("检测单位:"), 1801, this), m_testUnit);
    form->addRow(Label(QStringLiteral("施工单位:"), 1802, this), m_buildUnit);
    form->addRow(Label(QStringLiteral("检测人员:"), 1803, this), m_tester);
    form->addRow(Label(QStringLiteral("测试日期:"), 1804, this), m_testDateEdit);
    form->addRow(Label(QStringLiteral("测试时间:"), 1805, this), m_testTimeEdit);
    form->addRow(Label(QStringLiteral("施工日期:"), 1806, this), m_buildDateEdit);
    form->addRow(Label(QStringLiteral("龄        期:"), 1807, this), m_ageEdit);

    connect(m_testDateEdit, &QDateEdit::dateChanged, this, &CDlgProInfo::OnTestDateChanged);
    connect(m_buildDateEdit, &QDateEdit::dateChanged, this, &CDlgProInfo::OnConstructionDateChanged);
    connect(m_testTimeEdit, &QTimeEdit::timeChanged, this, &CDlgProInfo::OnTestTimeChanged);

    TranslateDialog(this, kTemplateId);
    SaveToRecord(false);
}

void CDlgProInfo::Tell(const QString& zh, const QString& en) {
    const bool english = ui::english();
    ui::messages().show(english ? en : zh, english ? QStringLiteral("CAPION") : QStringLiteral("提示"),
                        MB_OK | MB_ICONWARNING);
}

bool CDlgProInfo::IsLaterThanLimit(const QDateTime& t) {
    return pit::IsLaterThanTimeLimit(t);
}

bool CDlgProInfo::CheckDates(const QString& dateTime) {
    const QDateTime t = QDateTime::fromString(dateTime.trimmed(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (t.isValid() && IsLaterThanLimit(t)) {
        Tell(QStringLiteral("检测日期不能大于2038年1月18日19时14分07秒！"),
             QStringLiteral("The test date must not be later than 2038-01-18 19:14:07!"));
        return false;
    }
    return true;
}

QString CDlgProInfo::Combined(QDate d) const {
    return d.toString(QStringLiteral("yyyy-MM-dd ")) +
           m_testTimeEdit->time().toString(QStringLiteral("HH:mm:ss"));
}

void CDlgProInfo::Changed() {
    if (onChanged)
        onChanged();
}

bool CDlgProInfo::SaveToRecord(bool save) {
    if (!m_record)
        return false;
    if (save) {
        const auto before = std::make_tuple(m_record->m_strProject, m_record->m_strText4,
                                            m_record->m_strText5, m_record->m_strText6);
        // A project index without a name takes the pile's instead of blanking it.
        if (m_texts && m_texts[0].isEmpty() && m_project->text().isEmpty() &&
            !m_record->m_strProject.isEmpty()) {
            m_texts[0] = m_record->m_strProject;
            ShowValue(m_project, m_texts[0]);
        }
        // A text the user left untouched keeps its value whole (the field
        // may have cut it to its length limit); one the project lacks stays
        // the pile's own. A text taken counts as shown from then on, so
        // typing the first one back is a change again.
        const std::pair<QLineEdit*, QString*> fields[] = {{m_project, &m_record->m_strProject},
                                                          {m_testUnit, &m_record->m_strText4},
                                                          {m_tester, &m_record->m_strText6},
                                                          {m_buildUnit, &m_record->m_strText5}};
        const int textIndex[] = {0, 2, 4, 5};
        for (size_t i = 0; i < std::size(fields); ++i) {
            auto [edit, recordText] = fields[i];
            QString* projectText = m_texts ? &m_texts[textIndex[i]] : nullptr;
            if (ChangedSinceShown(edit)) {
                if (projectText)
                    *projectText = edit->text();
                *recordText = edit->text();
                MarkTaken(edit);
            } else if (projectText && !projectText->isEmpty()) {
                *recordText = *projectText;
            }
        }
        bool ok = false;
        const int age = m_ageEdit->text().toInt(&ok);
        if (ok)
            m_age = age;
        return std::make_tuple(m_record->m_strProject, m_record->m_strText4, m_record->m_strText5,
                               m_record->m_strText6) != before;
    }
    m_loading = true;
    m_testDate = m_record->m_testDate.date();
    m_constructionDate = m_record->m_constructionDate.date();
    m_age = m_record->m_nAge;
    if (m_texts) {
        // The project's texts; where it has none, the pile's own.
        auto text = [](const QString& project, const QString& pile) {
            return project.isEmpty() ? pile : project;
        };
        ShowValue(m_project, text(m_texts[0], m_record->m_strProject));
        ShowValue(m_testUnit, text(m_texts[2], m_record->m_strText4));
        ShowValue(m_tester, text(m_texts[4], m_record->m_strText6));
        ShowValue(m_buildUnit, text(m_texts[5], m_record->m_strText5));
    }
    if (m_testDate.isValid())
        m_testDateEdit->setDate(m_testDate);
    if (m_record->m_testTime.isValid())
        m_testTimeEdit->setTime(m_record->m_testTime.time());
    else if (m_record->m_testDate.isValid())
        m_testTimeEdit->setTime(m_record->m_testDate.time());
    if (m_constructionDate.isValid())
        m_buildDateEdit->setDate(m_constructionDate);
    // A date the record lacks is not taken from what the picker held before.
    for (QDateTimeEdit* picker :
         {static_cast<QDateTimeEdit*>(m_testDateEdit), static_cast<QDateTimeEdit*>(m_testTimeEdit),
          static_cast<QDateTimeEdit*>(m_buildDateEdit)})
        RememberShown(picker);
    m_ageEdit->setText(QString::number(m_age));
    m_testDateTimeText = Combined(m_testDateEdit->date());
    m_loading = false;
    return false;
}

void CDlgProInfo::LoadDates() {
    if (!m_record)
        return;
    // Only a date or time the user changed: the pickers show no seconds'
    // fractions and nothing for a date the record lacks.
    if (ChangedSinceShown(m_buildDateEdit))
        m_record->m_constructionDate =
            QDateTime(m_buildDateEdit->date(), m_record->m_constructionDate.time());
    m_testDateTimeText = Combined(m_testDateEdit->date());
    if (!ChangedSinceShown(m_testDateEdit) && !ChangedSinceShown(m_testTimeEdit))
        return;
    const QDateTime t = QDateTime::fromString(m_testDateTimeText, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (t.isValid()) {
        m_record->m_testDate = t;
        m_record->m_testTime = t;
    }
}

void CDlgProInfo::SaveDates() {
    m_testDateTimeText = Combined(m_testDateEdit->date());
}

void CDlgProInfo::EnableTestDate(bool enable) {
    m_testDateEdit->setEnabled(enable);
    m_testTimeEdit->setEnabled(enable);
    if (enable && m_record && m_record->m_testDate.isValid()) {
        m_loading = true;
        m_testDateEdit->setDate(m_record->m_testDate.date());
        RememberShown(m_testDateEdit);
        m_loading = false;
    }
}

void CDlgProInfo::EnableTestTime(bool enable) {
    m_testTimeEdit->setEnabled(enable);
}

void CDlgProInfo::OnTestDateChanged(QDate d) {
    if (m_loading || !m_record)
        return;
    auto putBack = [&] {
        m_loading = true;
        m_testDateEdit->setDate(m_testDate);
        m_loading = false;
    };
    if (!CheckDates(Combined(d))) {
        putBack();
        return;
    }
    if (d < m_buildDateEdit->date()) {
        Tell(QStringLiteral("检测日期必须大于施工日期！"),
             QStringLiteral("Test date must be greater than the Construction date!"));
        putBack();
        return;
    }
    m_testDate = d;
    m_record->m_nAge = int(m_buildDateEdit->date().daysTo(d));
    m_age = m_record->m_nAge;
    m_ageEdit->setText(QString::number(m_age));
    m_testDateTimeText = Combined(d);
    Changed();
}

void CDlgProInfo::OnConstructionDateChanged(QDate d) {
    if (m_loading || !m_record)
        return;
    auto putBack = [&] {
        m_loading = true;
        m_buildDateEdit->setDate(m_constructionDate);
        m_loading = false;
    };
    if (!CheckDates(Combined(d))) {
        putBack();
        return;
    }
    if (d > m_testDateEdit->date()) {
        Tell(QStringLiteral("施工日期必须小于检测日期！"),
             QStringLiteral("Construction date must be smaller than the test date !"));
        putBack();
        return;
    }
    m_constructionDate = d;
    m_record->m_nAge = int(d.daysTo(m_testDateEdit->date()));
    m_age = m_record->m_nAge;
    m_ageEdit->setText(QString::number(m_age));
    Changed();
}

void CDlgProInfo::OnTestTimeChanged() {
    if (m_loading)
        return;
    m_testDateTimeText = Combined(m_testDateEdit->date());
    Changed();
}

void CDlgProInfo::ApplyAge() {
    if (!m_record)
        return;
    bool ok = false;
    const int age = m_ageEdit->text().toInt(&ok);
    if (!ok || age < 1 || age > 9999) {
        Tell(QStringLiteral("龄期请输入1-9999！"), QStringLiteral("Please enter 1-9999 for Age!"));
        m_ageEdit->setText(QString::number(m_record->m_nAge));
        return;
    }
    m_age = age;
    m_record->m_nAge = age;
    if (m_docAge)
        *m_docAge = age;
    m_record->m_constructionDate = m_record->m_testDate.addDays(-age);
    m_constructionDate = m_record->m_constructionDate.date();
    m_loading = true;
    m_buildDateEdit->setDate(m_constructionDate);
    RememberShown(m_buildDateEdit); // the record holds it already
    m_loading = false;
    Changed();
}

void CDlgProInfo::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept(); // every Enter stays in the page (the edits act on returnPressed)
        return;
    }
    QWidget::keyPressEvent(e);
}
