// The project information asked before a database upload: order number,
// testers, devices, conclusion, and whether the intranet or the extranet
// server is used. The user type chosen last is remembered until the program ends.
#pragma once

#include "controls/DialogExt.h"
#include "database/ResultsUploader.h"

class QButtonGroup;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

class CLinkCodeInput : public CDialogExt {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 154;
    static constexpr int IDC_ENTRUST_NO = 1121;
    static constexpr int IDC_TESTER1 = 1122;
    static constexpr int IDC_TESTER2 = 1123;
    static constexpr int IDC_DEVICE1 = 1124;
    static constexpr int IDC_DEVICE2 = 1125;
    static constexpr int IDC_CONCLUSION = 1126;
    static constexpr int IDC_INTRANET_USER = 1127;
    static constexpr int IDC_EXTRANET_USER = 1019;
    static constexpr int IDC_INTRANET_IP = 1338;
    static constexpr int IDC_EXTRANET_IP = 1339;
    // The static texts, numbered so that the language file can reach them.
    static constexpr int IDC_PROMPT = 1540;
    static constexpr int IDC_LABEL_FIRST = 1541; // 1541..1546: the labels of 1121..1126
    static constexpr int IDC_USER_TYPE_LABEL = 1547;
    static constexpr int IDC_SERVER_LABEL = 1548;

    // The preset server addresses (dotted text) of the two address fields.
    CLinkCodeInput(const QString& intranetPreset, const QString& extranetPreset, QWidget* parent = nullptr);

    // The values after OK.
    pit::UploadOrder Values() const;

    // The dialog as the upload asks it: its values after OK, nothing after Cancel.
    static std::function<std::optional<pit::UploadOrder>()> MakeAsker(const pit::DatabaseConfig& config,
                                                                      QWidget* parent);

    // The user type confirmed last in this run (-1 none); tests reset it.
    static int LastUserType();
    static void SetLastUserType(int type);

    void SetDefaultAddresses();
    // The intranet field is editable exactly for the intranet user; the
    // extranet one only shows its preset.
    void EnableAddressFields(bool extranet);

public Q_SLOTS:
    void accept() override;

private Q_SLOTS:
    void OnUserType();

private:
    QString m_strEntrustNo;
    QString m_strTester1;
    QString m_strTester2;
    QString m_strDevice1;
    QString m_strDevice2;
    QString m_strConclusion;
    int m_nUserType = -1;
    uint32_t m_dwIntranetIp = 0;
    uint32_t m_dwExtranetIp = 0;

    QString m_intranetPreset, m_extranetPreset;
    QLineEdit* m_entrustNo = nullptr;
    QLineEdit* m_tester1 = nullptr;
    QLineEdit* m_tester2 = nullptr;
    QLineEdit* m_device1 = nullptr;
    QLineEdit* m_device2 = nullptr;
    QPlainTextEdit* m_conclusion = nullptr;
    QRadioButton* m_intranet = nullptr;
    QRadioButton* m_extranet = nullptr;
    QButtonGroup* m_userType = nullptr;
    QLineEdit* m_intranetIp = nullptr;
    QLineEdit* m_extranetIp = nullptr;
};
