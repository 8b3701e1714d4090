// Numeric ids of the main window's menu, tool-bar and accelerator commands.
// The language files translate the menus by them and the actions carry them
// in data().
#pragma once

namespace pit::cmd {

enum : int {
    // File
    kFileNew = 57600,
    kFileOpen = 57601,
    kPrinterSetup = 57606,
    kRecentFirst = 57616, // the four recent files, 57616..57619
    kRecentLast = 57619,
    kFileSave = 32905,
    kConvertKev = 32804,
    kConvertDuxToPit = 32810,
    kExportStateExcel = 32806,
    kExportCurvePictures = 32923,
    kExportCurveDocument = 32925,
    kOptions = 32826,
    kPrintSetup = 32811,
    kReportSpare = 32813,
    kPrintPreview = 32822,
    kPrint = 32823,
    kCountInfo = 32824,
    kAppExit = 57665,
    // Edit
    kRestoreChannel = 32843,
    kRestoreAllChannels = 32844,
    kEditCopy = 57634,
    kEditPaste = 57637,
    kShiftLeft = 32838,
    kShiftRight = 32839,
    kMoveUp = 32840,
    kMoveDown = 32841,
    kWaveReverse = 32842,
    // Display
    kWaveStretch = 32845,
    kWaveCompress = 32846,
    kFactor20 = 32847,
    kFactor50 = 32848,
    kFactor70 = 32855,
    kFactor100 = 32856,
    kFactor150 = 32857,
    kFactor200 = 32858,
    kFactor300 = 32863,
    kFactorCustom = 32861,
    kFillPositive = 32864,
    kFillNegative = 32865,
    kFillBoth = 32866,
    kFillNone = 32867,
    kViewByTime = 32897,
    kViewByLength = 32898,
    kSetAverageWave = 32828,
    kLockYAxis = 32790,
    kLanguageFirst = 5050,
    kLanguageLast = 5099,
    kHeadPeak = 32792,
    kHeadStart = 32805,
    kHeadPeakSpare = 32798,
    kHeadStartKey = 57681,
    kFixedTimeDiff = 32802,
    kVaryingTimeDiff = 32803,
    // View
    kViewMain = 32777,
    kViewSingleWave = 32770,
    kViewAnalysis = 32776,
    kSpectrumView = 32881,
    kPhaseView = 32882,
    kMainPanel = 32772,
    kToolBar = 59392,
    kReportModeFlag = 32888,
    kHelpManual = 32889,
    kAppAbout = 57664,
    // Processing
    kWavelet = 32872,
    kIntegrate = 32873,
    kDifferentiate = 32875,
    kDigitalFilter = 32876,
    kExpAmplify = 32877,
    kRotate = 32906,
    kRotateLocate = 32878,
    kRotateLocateKey = 211,
    kRotateUp = 32879,
    kRotateDown = 32880,
    kFixedParams = 32807,
    // Tools
    kSingleReport = 32829,
    kProjectReport = 32830,
    kSingleTraceBmp = 32850,
    kSelectChannelFirst = 110,
    kSelectChannelLast = 125,
    // Defect marks (the views), the analysis view's detail index
    kUndoDefect = 32886,
    kUndoAllDefects = 32885,
    kSetDetailIndex = 32902,
    // Report tool bar
    kReportSave = 32817,
    kReportExportDocument = 32818,
    kReportExportExcel = 32819,
    kReportProjectPictures = 32820,
    kReportSinglePictures = 32825,
    kReportBack = 32827,
    // Print preview
    kPreviewClose = 58112,
};

} // namespace pit::cmd
