// The texts of one single-pile report page, filled by the single-pile
// builder from a pile record and read by the Word page writer.
#pragma once

#include <QString>
#include <memory>

class CWaveRecord;

class CSingleReportInfo {
public:
    QString m_strProject;       // the document's project name, else the pile's; the common value when used
    QString m_strTestUnit;      // testing unit
    QString m_strTestDate;      // "%Y-%m-%d"
    QString m_strStandard;      // test standard name
    QString m_strPileNo;        // pile number
    QString m_strTester;        // tester
    QString m_strEmpty;         // always empty
    QString m_strConstructDate; // "%Y-%m-%d"; test date minus the all-piles age when that is used
    QString m_strVerifier;      // verifier
    QString m_strPileType;      // pile type text or the shape name
    QString m_strGrade;         // concrete grade name
    QString m_strSize;          // "%d*%d" / "%d" (common values: "%.0f*%.0f" / "%.0f ")
    QString m_strDesignTop;     // elevations "%.2f ", or "-" within 1e-6 of 0
    QString m_strDesignTip;
    QString m_strMeasuredTop;
    QString m_strResult; // the result sentence

    // A copy of the pile's current channel, for the curve picture; none
    // when the pile has no channel.
    std::shared_ptr<CWaveRecord> m_pWave;
    int m_nFirstSample = 0; // the two values that select what the curve shows
    int m_nSampleCount = 0;
    int m_nChannel = 0;  // the channel shown
    double m_dValue = 0; // the channel's largest value in that window
    float m_fWaveSpeed = 0;
    float m_fLength = 0; // pile length, m
    QString m_strClass; // pile class text
    int m_nAge = 0;     // days
};
