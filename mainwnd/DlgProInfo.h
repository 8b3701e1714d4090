// The project page of the main panel: project texts, test date and time,
// construction date and age of the current pile.
#pragma once

#include <QDate>
#include <QWidget>
#include <functional>

class CPileRecord;
class QDateEdit;
class QLineEdit;
class QTimeEdit;

class CDlgProInfo : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 173;
    // projectTexts: 0 project name, 2 test unit, 4 tester, 5 construction unit.
    CDlgProInfo(CPileRecord* record, QString* projectTexts, QWidget* parent = nullptr);

    // save: controls -> texts and record; else record -> controls. True when
    // a save changed the record's texts.
    bool SaveToRecord(bool save);
    // The pickers' dates into the record before a save.
    void LoadDates();
    // The pickers' test date and time into the record's test date-time text.
    void SaveDates();
    // False (and the user told) for a date-time later than 2038-01-18 19:14:07.
    bool CheckDates(const QString& dateTime);
    // The test-date pickers follow the test-date editing setting.
    void EnableTestDate(bool enable);
    // The test-time picker alone (the tree sorted by test time edits it).
    void EnableTestTime(bool enable);
    // The age typed into 1343 (Enter): 1..9999 moves the construction date.
    void ApplyAge();

    // The document's age setting, written when the age is confirmed.
    void SetAgeSink(int* age) { m_docAge = age; }
    // The record's test date-time text ("yyyy-MM-dd HH:mm:ss").
    const QString& TestDateTimeText() const { return m_testDateTimeText; }

    static bool IsLaterThanLimit(const QDateTime& t);

    // Told when the user changed a text, a date or the age of the pile.
    std::function<void()> onChanged;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void Changed();
    void OnTestDateChanged(QDate d);
    void OnConstructionDateChanged(QDate d);
    void OnTestTimeChanged();
    QString Combined(QDate d) const;
    void Tell(const QString& zh, const QString& en);

    CPileRecord* m_record;
    QString* m_texts;
    int* m_docAge = nullptr;
    QDate m_testDate, m_constructionDate; // last accepted
    int m_age = 0;
    QString m_testDateTimeText;
    bool m_loading = false;
    QLineEdit *m_project, *m_testUnit, *m_buildUnit, *m_tester, *m_ageEdit;
    QDateEdit *m_testDateEdit, *m_buildDateEdit;
    QTimeEdit* m_testTimeEdit;
};
