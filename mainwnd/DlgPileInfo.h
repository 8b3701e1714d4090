// The pile page of the main panel: the current pile's number, shape and
// sizes, wave speed and length (coupled through the time difference 2L/c),
// class, grade, sensitivity, sensor distance, sample interval, description
// and remark, and the fixed-parameter toggle.
#pragma once

#include <QWidget>
#include <functional>

class CKEV_DUXDoc;
class CPileRecord;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace pit {
class FrameServices;
}

class CDlgPileInfo : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 174;
    CDlgPileInfo(CKEV_DUXDoc* doc, pit::FrameServices* frame, QWidget* parent = nullptr);

    // save: controls -> record; else record -> controls. A field holding no
    // number is refused with the program's message and shows the record's
    // value again. True when a save changed the record.
    bool SaveToRecord(bool save);
    // Enables the value fields by the document's fixed markers.
    void LoadFromRecord(bool afterFixDialog);
    void FormatValues();
    // Shape list from the record; the second-side fields only for a square pile.
    void EnableFields();
    void EnableFixButton(bool fixed);

    // The coupling of length and speed through dt = 2L/c: confirming the speed
    // moves the length, confirming the length moves the speed.
    void OnSetfocusSpeed();
    void OnSetfocusLength();
    // The user confirmed the speed or the length (leaving the field, Alt+C,
    // Alt+L): the coupling, and the pile is modified.
    void ConfirmSpeed();
    void ConfirmLength();
    // Varying time difference: every channel takes the record's L and c.
    void StoreAllPiles();
    void ApplyFixedParams();
    void OnBnClickedFixPara();

    // Runs the fixed-parameter dialog; true on OK, with whether it changed
    // the speed or the length. Set by the main panel.
    std::function<bool(bool& speedChanged, bool& lengthChanged)> runFixDialog;

    // Length and speed of the other channels after the record's speed changed
    // to c, each keeping its own time difference (2 L_i - d) / c_i;
    // d = sensor distance in metres.
    static void KeepChannelTimes(CPileRecord& r, int c, double d, bool reportMode);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool Loaded() const;
    // The speed or length field holds a number (or the record's value); else refused.
    bool CheckNumber(QLineEdit* edit);
    // Puts shown back into edit and tells the user; false.
    bool Refuse(QLineEdit* edit, const QString& shown, bool integer);
    void MarkModified();
    bool ReportMode() const;
    // The start of either coupling: highlights the confirmed field; false when
    // nothing is loaded or every channel took the record's values instead.
    bool BeginCoupling(bool speed);
    // True while the description holds the sentence the program builds from
    // the current marks (either wording), not a text the user typed.
    bool HoldsBuiltSentence() const;
    void AfterCoupling(bool rebuildText);
    void Highlight(bool speed);
    QString LengthText(float L) const;

    CKEV_DUXDoc* m_doc;
    pit::FrameServices* m_frame;
    QLineEdit *m_pileNo, *m_diameter, *m_side2, *m_enlarged, *m_enlarged2, *m_speed, *m_length, *m_distance,
        *m_interval, *m_sensitivity;
    QComboBox *m_class, *m_grade, *m_shape;
    QLabel *m_star1, *m_star2, *m_sensLabel;
    QPlainTextEdit *m_desc, *m_remark;
    QPushButton* m_fixButton;
    bool m_loading = false;

    friend class CFormMain;
};
