// One pile of a project report, read from its file by the project builders
// and read by the project pages in Word.
#pragma once

#include "core/wave/WaveRecord.h"

#include <QDateTime>
#include <QString>

class CReportPileItem {
public:
    CReportPileItem() = default;
    CReportPileItem(const CReportPileItem&) = delete;
    CReportPileItem& operator=(const CReportPileItem&) = delete;

    QString m_strModel;    // instrument model name
    QString m_strProject;  // project name (project text 1)
    QString m_strProjectB; // project text 4
    QString m_strFileInfo; // the file's own project name
    QString m_strProjectC; // project text 3
    QString m_strProjectD; // project text 6, replaced by the file's text 5
    QString m_strPileNo;   // pile number as the list shows it
    QString m_strRemark;   // remark
    QString m_strProjectE; // project text 5
    QString m_strAvgBlows; // blows of the average: "1、3、4", or empty
    float m_fValueA = 0;   // enlarged base
    QString m_strStandard; // test standard name
    QDateTime m_dtTest;    // test date and time
    float m_fLength = 0;   // m
    float m_fDiameter = 0; // mm; first side of a square pile
    float m_fSide = 0;     // second side of a square pile, mm
    int m_nSpeed = 0;      // m/s
    QString m_strPileType; // pile type text
    int m_nGrade = 0;      // index into the grade table, 0..18
    int m_nSpecRange = 0, m_nFAMax = 0, m_nF0 = 0, m_nDFL = 0, m_nDFD1 = 0, m_nDFD2 = 0; // Hz
    int m_nRefine = 8;      // spectrum refinement
    CWaveRecord m_wave;     // the reported channel
    QString m_strIntegrity; // integrity conclusion
    int m_nFirstSample = 0;
    int m_nSampleCount = 1024;
    int m_nChannel = 0;  // index of the reported channel in the file
    float m_fValueB = 0; // second side of the enlarged base
    int m_bSquare = 0;   // square pile
    QDateTime m_dtConstruct;
    int m_nAge = 0; // days: test date minus construction date
};
