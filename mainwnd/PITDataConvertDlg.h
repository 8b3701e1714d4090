// Converting the pile files of a folder into one ZEZ DOS file "*.a": the
// folder's files listed with check boxes, the conversion mode and the start
// of the first pulse chosen, progress shown and the files left out listed.
#pragma once

#include "controls/DialogExt.h"
#include "core/project/ZezConvert.h"

#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

class CPITDataConvertDlg : public CDialogExt {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 159;
    static constexpr int IDC_SELECT_ALL = 1111;
    static constexpr int IDC_CONVERT = 1179;
    static constexpr int IDC_STATUS = 1181;
    static constexpr int IDC_FILE_LIST = 32914;
    static constexpr int IDC_READ_PATH = 32918;
    // Controls whose numbers the dialog's template gives no name to.
    static constexpr int IDC_READ_FORMAT = 32915;
    static constexpr int IDC_WRITE_FORMAT = 32916;
    static constexpr int IDC_PATH_COMBO = 32917;
    static constexpr int IDC_MODE_AVERAGED = 1182;
    static constexpr int IDC_MODE_SEPARATE = 1183;
    static constexpr int IDC_T1_PEAK = 1184;
    static constexpr int IDC_T1_RISE = 1185;
    static constexpr int IDC_SEL_ANY = 1186;
    static constexpr int IDC_SEL_ALL = 1187;
    static constexpr int IDC_SEL_NONE = 1188;
    // The labels and groups, for the language files.
    static constexpr int IDC_READ_LABEL = 1993;
    static constexpr int IDC_WRITE_LABEL = 1994;
    static constexpr int IDC_PATH_LABEL = 1995;
    static constexpr int IDC_MODE_GROUP = 1996;
    static constexpr int IDC_T1_GROUP = 1997;
    static constexpr int IDC_SELECTION_GROUP = 1998;

    enum Selection { SelectAny = 0, SelectAll = 1, SelectNone = 2 };

    // defaultFolder: where the dialog starts (the project's folder); without
    // one, the folder chosen last in this run.
    explicit CPITDataConvertDlg(const QString& defaultFolder = {}, QWidget* parent = nullptr);

    // Choosers of the folder and the target file (system dialogs unless
    // replaced); an empty answer cancels.
    std::function<QString(QWidget*, const QString& prompt, const QString& start)> chooseFolder;
    std::function<QString(QWidget*, const QString& start)> chooseTarget;

    QString Folder() const { return m_strFolder; }
    QStringList ListedNames() const;
    QStringList CheckedPaths() const;
    void SetChecked(int row, bool checked);
    Selection SelectionState() const;
    QString StatusText() const;
    const pit::ZezResult& LastResult() const { return m_result; }
    pit::ZezMode Mode() const;
    pit::ZezStart Start() const;

public Q_SLOTS:
    void OnReadPath();
    void OnConvert();
    // Lists the folder's pile files.
    void ScanSourceFiles(const QString& folder);

private:
    void OnSelectAll(bool checked);
    void UpdateSelectionState();
    bool english() const;

    QString m_strFolder;
    QString m_strDefaultName;
    pit::ZezResult m_result;
    QComboBox* m_readFormat = nullptr;
    QComboBox* m_writeFormat = nullptr;
    QComboBox* m_path = nullptr;
    QListWidget* m_list = nullptr;
    QButtonGroup* m_mode = nullptr;
    QButtonGroup* m_t1 = nullptr;
    QButtonGroup* m_selection = nullptr;
    QCheckBox* m_selectAll = nullptr;
    QLabel* m_status = nullptr;
    bool m_bUpdating = false;
};
