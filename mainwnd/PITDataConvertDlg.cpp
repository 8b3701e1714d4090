#include "mainwnd/PITDataConvertDlg.h"

#include "controls/CtrlId.h"
#include "controls/LanguageWidgets.h"
#include "controls/UiServices.h"
#include "platform/MessageSink.h"
#include "res/ids.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// The folder of the last conversion, kept for the rest of the run.
QString& lastFolder() {
    static QString folder;
    return folder;
}

} // namespace

CPITDataConvertDlg::CPITDataConvertDlg(const QString& defaultFolder, QWidget* parent)
    : CDialogExt(kTemplateId, parent) {
    const bool en = english();
    auto tr = [en](const char* zh, const char* e) {
        return en ? QString::fromUtf8(e) : QString::fromUtf8(zh);
    };
    setWindowTitle(QStringLiteral("ZEZ Data  Convert DEMO"));

    chooseFolder = [](QWidget* p, const QString& prompt, const QString& start) {
        return QFileDialog::getExistingDirectory(p, prompt, start, QFileDialog::ShowDirsOnly);
    };
    chooseTarget = [](QWidget* p, const QString& start) {
        return QFileDialog::getSaveFileName(p, QString(), start, QStringLiteral("PIT_DOS (*.a *.A)"));
    };

    auto* top = new QVBoxLayout(this);
    auto* formats = new QGridLayout;
    m_readFormat = pit::WithCtrlId(new QComboBox(this), IDC_READ_FORMAT);
    m_readFormat->addItem(QStringLiteral("KEV_DUX(*.DUX)"));
    m_writeFormat = pit::WithCtrlId(new QComboBox(this), IDC_WRITE_FORMAT);
    m_writeFormat->addItem(QStringLiteral("PIT_DOS(*.a)"));
    m_path = pit::WithCtrlId(new QComboBox(this), IDC_PATH_COMBO);
    m_path->setEditable(true);
    auto* dirs = new QFileSystemModel(this);
    dirs->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    dirs->setRootPath(QString());
    m_path->setCompleter(new QCompleter(dirs, this));
    auto* readPath = pit::WithCtrlId(new QPushButton(tr("读取路径", "Read Path"), this), IDC_READ_PATH);
    formats->addWidget(pit::WithCtrlId(new QLabel(tr("读取格式:", "Read format:"), this), IDC_READ_LABEL), 0,
                       0);
    formats->addWidget(m_readFormat, 0, 1);
    formats->addWidget(pit::WithCtrlId(new QLabel(tr("写入格式:", "Write format:"), this), IDC_WRITE_LABEL),
                       0, 2);
    formats->addWidget(m_writeFormat, 0, 3);
    formats->addWidget(pit::WithCtrlId(new QLabel(tr("读取路径:", "Source folder:"), this), IDC_PATH_LABEL),
                       1, 0);
    formats->addWidget(m_path, 1, 1, 1, 2);
    formats->addWidget(readPath, 1, 3);
    top->addLayout(formats);

    m_list = pit::WithCtrlId(new QListWidget(this), IDC_FILE_LIST);
    top->addWidget(m_list, 1);

    auto radios = [&](int boxId, const QString& title, std::initializer_list<std::pair<QString, int>> items,
                      int checked) {
        auto* box = pit::WithCtrlId(new QGroupBox(title, this), boxId);
        auto* row = new QHBoxLayout(box);
        auto* group = new QButtonGroup(box);
        int k = 0;
        for (const auto& [text, id] : items) {
            auto* b = pit::WithCtrlId(new QRadioButton(text, box), id);
            group->addButton(b, k);
            b->setChecked(k == checked);
            row->addWidget(b);
            ++k;
        }
        return std::pair{box, group};
    };
    auto [modeBox, mode] = radios(
        IDC_MODE_GROUP, tr("转换方式", "Mode"),
        {{tr("平均转换", "Averaged"), IDC_MODE_AVERAGED}, {tr("分别转换", "Separately"), IDC_MODE_SEPARATE}},
        1);
    auto [t1Box, t1] =
        radios(IDC_T1_GROUP, QStringLiteral("T1"),
               {{tr("T1:峰值", "T1: peak"), IDC_T1_PEAK}, {tr("T1:起始", "T1: rise"), IDC_T1_RISE}}, 1);
    auto [selBox, sel] = radios(IDC_SELECTION_GROUP, tr("选择", "Selection"),
                                {{tr("任意选择", "Some"), IDC_SEL_ANY},
                                 {tr("全选", "All"), IDC_SEL_ALL},
                                 {tr("反选", "None"), IDC_SEL_NONE}},
                                1);
    m_mode = mode;
    m_t1 = t1;
    m_selection = sel;
    // The selection group only shows the state of the ticks.
    for (QAbstractButton* b : m_selection->buttons()) {
        b->setAttribute(Qt::WA_TransparentForMouseEvents);
        b->setFocusPolicy(Qt::NoFocus);
    }
    auto* options = new QHBoxLayout;
    options->addWidget(modeBox);
    options->addWidget(t1Box);
    options->addWidget(selBox);
    top->addLayout(options);

    auto* actions = new QHBoxLayout;
    m_selectAll = pit::WithCtrlId(new QCheckBox(tr("全选", "Select all"), this), IDC_SELECT_ALL);
    m_selectAll->setChecked(true);
    auto* convert = pit::WithCtrlId(new QPushButton(tr("转换", "Convert"), this), IDC_CONVERT);
    auto* close = pit::WithCtrlId(new QPushButton(tr("关闭", "Close"), this), ids::IDCANCEL);
    actions->addWidget(m_selectAll);
    actions->addStretch(1);
    actions->addWidget(convert);
    actions->addWidget(close);
    top->addLayout(actions);

    m_status = pit::WithCtrlId(new QLabel(this), IDC_STATUS);
    pit::MarkAsValue(m_status);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(m_status);

    connect(readPath, &QPushButton::clicked, this, &CPITDataConvertDlg::OnReadPath);
    connect(convert, &QPushButton::clicked, this, &CPITDataConvertDlg::OnConvert);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_selectAll, &QCheckBox::clicked, this, &CPITDataConvertDlg::OnSelectAll);
    connect(m_list, &QListWidget::itemChanged, this, [this] { UpdateSelectionState(); });
    connect(m_path->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { ScanSourceFiles(m_path->currentText()); });

    pit::TranslateDialog(this, kTemplateId);
    // The folder the caller names (the project's) comes first, then the one
    // chosen last in this run.
    const QString start =
        !defaultFolder.isEmpty() && QFileInfo(defaultFolder).isDir() ? defaultFolder : lastFolder();
    if (!start.isEmpty())
        ScanSourceFiles(start);
}

bool CPITDataConvertDlg::english() const {
    return pit::ui::english();
}

void CPITDataConvertDlg::ScanSourceFiles(const QString& folder) {
    m_strFolder = folder;
    m_strDefaultName = QFileInfo(QDir(folder).absolutePath()).fileName();
    if (m_path->findText(folder) < 0)
        m_path->addItem(folder);
    m_path->setCurrentText(folder);
    const bool tickAll = SelectionState() == SelectAll;
    m_bUpdating = true;
    m_list->clear();
    for (const QString& name : pit::ScanZezSources(folder)) {
        auto* item = new QListWidgetItem(name, m_list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(tickAll ? Qt::Checked : Qt::Unchecked);
    }
    m_bUpdating = false;
    UpdateSelectionState();
}

void CPITDataConvertDlg::OnReadPath() {
    const QString prompt = english() ? QStringLiteral("Select the KEV_DUX file directory：")
                                     : QStringLiteral("请选择KEV_DUX文件所在的目录：");
    const QString chosen = chooseFolder ? chooseFolder(this, prompt, m_strFolder) : QString();
    if (chosen.isEmpty())
        return;
    lastFolder() = chosen;
    m_status->clear();
    ScanSourceFiles(chosen);
}

QStringList CPITDataConvertDlg::ListedNames() const {
    QStringList out;
    for (int k = 0; k < m_list->count(); ++k)
        out << m_list->item(k)->text();
    return out;
}

QStringList CPITDataConvertDlg::CheckedPaths() const {
    QStringList out;
    const QDir dir(m_strFolder);
    for (int k = 0; k < m_list->count(); ++k)
        if (m_list->item(k)->checkState() == Qt::Checked)
            out << dir.filePath(m_list->item(k)->text());
    return out;
}

void CPITDataConvertDlg::SetChecked(int row, bool checked) {
    if (QListWidgetItem* item = m_list->item(row))
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

CPITDataConvertDlg::Selection CPITDataConvertDlg::SelectionState() const {
    return Selection(m_selection->checkedId() < 0 ? SelectAny : m_selection->checkedId());
}

QString CPITDataConvertDlg::StatusText() const {
    return m_status->text();
}

pit::ZezMode CPITDataConvertDlg::Mode() const {
    return m_mode->checkedId() == 0 ? pit::ZezMode::Averaged : pit::ZezMode::Separate;
}

pit::ZezStart CPITDataConvertDlg::Start() const {
    return m_t1->checkedId() == 0 ? pit::ZezStart::Peak : pit::ZezStart::Rise;
}

void CPITDataConvertDlg::OnSelectAll(bool checked) {
    m_bUpdating = true;
    for (int k = 0; k < m_list->count(); ++k)
        m_list->item(k)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    m_bUpdating = false;
    UpdateSelectionState();
}

void CPITDataConvertDlg::UpdateSelectionState() {
    if (m_bUpdating)
        return;
    int ticked = 0;
    for (int k = 0; k < m_list->count(); ++k)
        ticked += m_list->item(k)->checkState() == Qt::Checked ? 1 : 0;
    const int n = m_list->count();
    const Selection s = (n > 0 && ticked == n) ? SelectAll : (ticked == 0 ? SelectNone : SelectAny);
    if (n == 0 && SelectionState() == SelectAll)
        return; // an empty list keeps "all" so that the next scan ticks its files
    m_selection->button(s)->setChecked(true);
    m_selectAll->setChecked(s == SelectAll);
}

void CPITDataConvertDlg::OnConvert() {
    const bool en = english();
    pit::MessageSink& messages = sink();
    const QStringList files = CheckedPaths();
    if (files.isEmpty()) {
        messages.show(en ? QStringLiteral("Please select a file to convert!")
                         : QStringLiteral("请选择要转换的文件!"),
                      en ? QStringLiteral("Tips") : QStringLiteral("提示"), pit::MB_OK | pit::MB_ICONWARNING);
        return;
    }
    const QString target = chooseTarget ? chooseTarget(this, m_strFolder) : QString();
    if (target.isEmpty())
        return;

    pit::ZezParams params;
    params.files.assign(files.begin(), files.end());
    params.mode = Mode();
    params.start = Start();
    params.defaultName = m_strDefaultName;
    params.target = target;

    // Shown only when the run takes a while; Cancel stops before the file is written.
    QProgressDialog progress(en ? QStringLiteral("Converting...") : QStringLiteral("正在转换..."),
                             en ? QStringLiteral("Cancel") : QStringLiteral("取消"), 0, int(files.size()),
                             this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    m_result = pit::ConvertPilesToZez(params, [&progress](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
        return !progress.wasCanceled();
    });
    progress.close();

    m_status->setText(pit::ZezSummaryText(m_result, en));
    if (m_result.cancelled)
        return;
    if (!m_result.written) {
        const QString why = en ? m_result.writeErrorEn : m_result.writeErrorZh;
        messages.show((en ? QStringLiteral("ERROR:Conversion failed!") : QStringLiteral("ERROR:转换失败!")) +
                          (why.isEmpty() ? QString() : QStringLiteral("\n") + why),
                      en ? QStringLiteral("Tips") : QStringLiteral("提示"), pit::MB_OK | pit::MB_ICONWARNING);
        return;
    }
    messages.show(en ? QStringLiteral("Converting Data Finished！") : QStringLiteral("数据转换完成"),
                  en ? QStringLiteral("Prompt") : QStringLiteral("提示"),
                  pit::MB_OK | pit::MB_ICONINFORMATION);
}
