// The pile diameter asked for while instrument files are converted, and
// whether it holds for every further file of the run.
#pragma once

#include "controls/DialogExt.h"
#include "core/project/KevConvert.h"

class QCheckBox;
class QLabel;
class QLineEdit;

class CKEVInputDlg : public CDialogExt {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 157;
    static constexpr int IDC_FILE_NAME = 1128;
    static constexpr int IDC_DIAMETER = 1121;
    static constexpr int IDC_USE_FOR_ALL = 1044;
    // The labels and the group, for the language files.
    static constexpr int IDC_FILE_LABEL = 1990;
    static constexpr int IDC_PARAMETERS = 1991;
    static constexpr int IDC_DIAMETER_LABEL = 1992;

    // fileName: the file being converted; settings: the values shown (a copy is edited).
    CKEVInputDlg(const QString& fileName, const pit::KevInputSettings& settings, QWidget* parent = nullptr);

    // The values after OK.
    const pit::KevInputSettings& Settings() const { return m_settings; }

    // A refused diameter puts the last accepted one back into the edit.
    void ValidateInput(int* badId, QString* message) override;

    // Runs the dialog for each file that asks; OK stores its values in the
    // settings given to the asker.
    static pit::KevDiameterAsker MakeAsker(QWidget* parent);

private:
    QString m_strFileName;
    pit::KevInputSettings m_settings;
    QLabel* m_fileName = nullptr;
    QLineEdit* m_diameter = nullptr;
    QCheckBox* m_useForAll = nullptr;
};
