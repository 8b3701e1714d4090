// One row of the statistics report: what a pile file holds for it.
#pragma once

#include <QDateTime>
#include <QString>

class CPileReportRow {
public:
    QString m_strPileNo;     // the pile's file name (its pile number)
    QString m_strResult;     // the result sentence
    QDateTime m_dtTest;      // test date and time
    QDateTime m_dtConstruct; // construction date
    int m_nAge = 0;          // days
    float m_fLength = 0;     // m
    float m_fSize1 = 0;      // diameter, or the first side of a square pile, mm
    float m_fEnlarged1 = 0;  // enlarged-base diameter or first side, mm
    int m_nSpeed = 0;        // m/s
    QString m_strClass;      // pile class
    int m_nGrade = 0;        // index into the grade table
    QString m_strRemark;     // the pile's second text field
    float m_fSize2 = 0;      // second side of a square pile, mm
    float m_fEnlarged2 = 0;  // second side of the enlarged base, mm
    int m_nShape = 0;        // 0 round, else square

    bool operator==(const CPileReportRow&) const = default;
};
