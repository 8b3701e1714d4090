// Report values that a group of piles shares: a value replaces each pile's
// own on the reports while its use flag is set and the document's
// use-common-values flag is on.
#pragma once

#include <QDateTime>
#include <QString>
#include <array>

class CCommonInfo {
public:
    // Which value each use flag governs, in the record's flag order.
    enum Flag : int {
        ProjectName = 0,
        TestingUnit = 1,
        ConstructionUnit = 2,
        Tester = 3,
        TestDate = 4,
        Instrument = 5,
        Standard = 6,
        Shape = 7,
        Diameter = 8,     // with its second side
        EnlargedBase = 9, // with its second side
        Grade = 10,
        PileClass = 11,
        kFlagCount = 12
    };

    // Empty values, the test date now.
    CCommonInfo() : m_testDate(QDateTime::currentDateTime()) {}

    bool Use(Flag f) const { return m_bUse[size_t(f)]; }
    void SetUse(Flag f, bool on) { m_bUse[size_t(f)] = on; }
    void ClearUse() { m_bUse.fill(false); }

    bool operator==(const CCommonInfo&) const = default;

    // Where a report keeps the values these can replace; null where it keeps
    // none. The grade and the shape are copied as set: callers bound them.
    struct Targets {
        QString* projectName = nullptr;
        QString* testingUnit = nullptr;
        QString* constructionUnit = nullptr;
        QString* tester = nullptr;
        QString* instrument = nullptr;
        QString* standard = nullptr;
        float* diameter = nullptr; // with secondSide
        float* secondSide = nullptr;
        float* enlarged = nullptr; // with enlarged2
        float* enlarged2 = nullptr;
        int* grade = nullptr;
        int* shape = nullptr;
    };
    // Each value in use replaces its target. The test date and the class are
    // left to the callers: each report makes its own of them.
    void ApplyTo(const Targets& t) const;

    float m_fDiameter = 0;
    float m_fEnlarged = 0;
    int m_nGradeIndex = 0;
    QString m_strClass;
    QString m_strProjectName;
    QString m_strTestingUnit;
    QString m_strTester;
    QString m_strConstructionUnit;
    QString m_strStandard;
    QString m_strInstrument;
    float m_fSecondSide = 0;
    float m_fEnlarged2 = 0;
    int m_nShape = 0; // 0 round, 1 square
    QDateTime m_testDate;
    std::array<bool, kFlagCount> m_bUse{};
};
