// The defect dialog: pops up beside the clicked spot of a wave and asks what
// the mark is (a defect's type and severity, the pile head, or the shape of
// the pile bottom). The views ask it through DefectAsker, so tests script it.
#pragma once

#include <QDialog>
#include <QRect>
#include <QSize>

namespace pit {

// What the dialog answered.
struct DefectChoice {
    bool ok = false;  // closed by a choice, not by Cancel
    int type = 0;     // 0 necking .. 5 bulging
    int severity = 0; // 0 slight, 1 ordinary, 2 serious
    int bottom = 0;   // 0 flat, 1 pointed, 2 enlarged
    bool typeChosen = false, severityChosen = false, headChosen = false, bottomChosen = false;
};

// Asks the defect dialog. defectMode: defect and head marking; else the pile
// bottom. spot: screen rectangle of the clicked point.
class DefectAsker {
public:
    virtual ~DefectAsker() = default;
    virtual DefectChoice ask(bool defectMode, const QRect& spot, QWidget* parent) = 0;
};

// The modal CDefectDlg.
class QtDefectAsker : public DefectAsker {
public:
    DefectChoice ask(bool defectMode, const QRect& spot, QWidget* parent) override;
};

} // namespace pit

class CDefectDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 135;
    // Button ids and what they choose.
    enum ButtonId : int {
        kNecking = 1152,
        kSegregation = 1153,
        kFracture = 1154,
        kCrack = 1156,
        kDefect = 1157, // the default button
        kBulging = 1155,
        kSlight = 1068,
        kOrdinary = 1069,
        kSerious = 1070,
        kHead = 1071,
        kFlat = 1073,
        kPointed = 1074,
        kEnlarged = 1075,
        kCancel = 1072,
        // The four groups.
        kTypeGroup = 1960,
        kSeverityGroup = 1961,
        kHeadGroup = 1962,
        kBottomGroup = 1963,
    };

    CDefectDlg(bool defectMode, QWidget* parent = nullptr);

    // Screen rectangle of the clicked spot; set before the dialog is shown.
    QRect placement;

    // A click on a button id: applies it to the choice; true when the
    // choice is complete (type and severity, or head, or bottom).
    static bool ApplyButton(pit::DefectChoice& choice, int id);
    // Whether a button responds in a mode (Cancel always does).
    static bool ButtonEnabled(bool defectMode, int id);
    // Top left corner and size of the dialog for a spot: to the right of the
    // spot when its left edge is less than the width, else to its left; below
    // when its top is less than the height, else above. The height grows by
    // 1.5 times the spot's height.
    static QRect Placement(const QRect& spot, QSize client);

    const pit::DefectChoice& Choice() const { return m_choice; }
    bool DefectMode() const { return m_defectMode; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    void OnButton(int id);

    bool m_defectMode;
    pit::DefectChoice m_choice;
    bool m_placed = false;
};
