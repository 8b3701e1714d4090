// The values that the result and raw-data workbooks show: filled by the
// report builders and the main window from pile files and the document,
// written by the workbook writer behind ExcelExport.
#pragma once

#include "core/wave/WaveRecord.h"

#include <QString>
#include <array>
#include <cstdint>

// One pile of the result workbook: its analysis values and its result wave.
struct CExcelPileInfo {
    QString m_strInstrument;   // instrument model
    QString m_strProject;      // project name
    QString m_strFileProject;  // project name as stored in the pile file (not written)
    QString m_strTestOrg;      // testing organisation
    QString m_strBuilder;      // construction company
    QString m_strPileNo;       // pile number
    QString m_strTester;       // tester(s)
    QString m_strAvgChannels;  // averaged result: the channels in the average ("1、2、3"); else empty
    float m_fEnlargedBase = 0; // mm
    QString m_strStandard;     // technical code
    QString m_strDateTime;     // test date and time, separated by a blank
    float m_fLength = 0;       // m
    float m_fDiameter = 0;     // diameter or first side, mm
    int m_nSpeed = 0;          // m/s
    QString m_strClass;        // pile class text
    QString m_strIntegrity;    // integrity description
    QString m_strFileName;     // pile file name without extension; the sheet's name
    int m_nGrade = 0;          // concrete grade index, 0 = "C15"
    int m_nFreqLimit = 0, m_nFMax = 0, m_nF0 = 0, m_nDFL = 0, m_nDFD1 = 0, m_nDFD2 = 0; // Hz
    CWaveRecord m_wave;                                                                 // the result wave
    int m_nSamples = 0;         // samples to write (at most the wave's own)
    int m_nChannel = 0;         // 0-based result channel
    bool m_bAverage = false;    // the result is the averaged wave
    float m_fEnlargedBase2 = 0; // second side of the enlarged base, mm
    float m_fDiameter2 = 0;     // second side of the section, mm
    int m_nShape = 0;           // 0 round; else two-sided
};

// The open pile for the raw-data workbook.
struct CExcelRawInfo {
    QString m_strProject;
    QString m_strPileNo;
    QString m_strTestOrg;
    QString m_strBuilder;
    QString m_strTester;
    QString m_strDateTime; // "%Y-%m-%d %H:%M:%S"
    QString m_strRemark;
    int m_nChannels = 0;   // channel count n (the averaged wave not counted)
    QString m_strDiameter; // "%.2f", or "%.2f*%.2f" for a two-sided section
    float m_fInterval = 0; // µs
    int m_nSamples = 0;    // samples per channel
    int m_bEnglish = 0;    // nonzero: English labels
};

// Which of the 15 blows take part in the average.
using AverageFlags = std::array<int32_t, 15>;
