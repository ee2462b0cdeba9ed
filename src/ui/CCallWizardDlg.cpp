#include "ui/CCallWizardDlg.h"

#include "common/DialogUnits.h"
#include "library/SourceView.h"
#include "platform/ByteTextView.h"
#include "platform/Controls.h"
#include "platform/Platform.h"
#include "ui/CAboutDlg.h"
#include "ui/ControlIds.h"
#include "ui/Icons.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace tovel {

namespace {

constexpr unsigned kTab = kTabStop;

const DialogTemplate& MainDialogTemplate()
{
    static const DialogTemplate t {
        "Tovel",
        372,
        261,
        {
            {1060, Ctl::PushButton, "#&Inc", 180, 235, 30, 15, kTab | kHidden | kDisabled},
            {1006, Ctl::PushButton, "&Unlist", 285, 15, 29, 15, kTab},
            {1007, Ctl::PushButton, "&Add", 325, 15, 30, 15, kTab},
            {1005, Ctl::ComboDropDown, "", 11, 31, 349, 109, kTab | kSorted | kFixedFont},
            {-1, Ctl::Static, "Choose &Function", 10, 55, 65, 8, kGroup},
            {1000, Ctl::ComboDropDownList, "", 11, 65, 349, 110, kTab | kSorted | kFixedFont},
            {-1, Ctl::Static, "&Source Code", 10, 80, 42, 8, kGroup},
            {1014, Ctl::MultiLineEdit, "", 10, 90, 350, 90, kTab | kReadOnly | kFixedFont},
            {3, Ctl::DefPushButton, "&Copy", 330, 200, 30, 15, kTab},
            {1, Ctl::DefPushButton, "E&xit", 330, 235, 30, 15, kTab},
            {-1, Ctl::GroupBox, "Help", 5, 225, 80, 30, kNone},
            {1004, Ctl::PushButton, "F1=&Help", 10, 235, 30, 15, kTab},
            {1003, Ctl::PushButton, "Setu&p", 50, 235, 30, 15, kTab},
            {-1, Ctl::GroupBox, "Select &Library", 5, 5, 360, 45, kNone},
            {1033, Ctl::Static, ",", 15, 15, 8, 10, kCenter | kHidden},
            {1034, Ctl::Static, ",", 31, 15, 8, 10, kCenter | kHidden},
            {1035, Ctl::Static, ",", 51, 15, 8, 10, kCenter | kHidden},
            {1036, Ctl::Static, ")", 65, 15, 8, 10, kCenter | kHidden},
            {1037, Ctl::ComboDropDown, "", 75, 15, 16, 130, kTab | kHidden},
            {1038, Ctl::ComboDropDown, "", 95, 15, 16, 130, kTab | kHidden},
            {1039, Ctl::ComboDropDown, "", 115, 15, 16, 130, kTab | kHidden},
            {1040, Ctl::ComboDropDown, "", 135, 15, 16, 130, kTab | kHidden},
            {1041, Ctl::Edit, "", 155, 15, 10, 12, kTab | kReadOnly | kHidden},
            {1042, Ctl::Edit, "", 165, 15, 10, 12, kTab | kReadOnly | kHidden},
            {1043, Ctl::Edit, "", 175, 15, 10, 12, kTab | kReadOnly | kHidden},
            {1044, Ctl::Edit, "", 185, 15, 10, 12, kTab | kReadOnly | kHidden},
            {1056, Ctl::GroupBox, "Choose &Parameters", 5, 185, 360, 35, kNone},
            {1051, Ctl::Static, "Type", 10, 196, 65, 8, kCenter | kGroup},
            {1050, Ctl::Static, "Function", 15, 206, 60, 10, kRight | kVCenter | kGroup},
            {-1, Ctl::Static, "(", 75, 206, 8, 8, kCenter | kGroup},
            {1054, Ctl::ListBox, "", 200, 15, 10, 15, kTab | kHidden},
            {1053, Ctl::ListBox, "", 210, 15, 10, 15, kTab | kHidden},
            {1049, Ctl::ListBox, "", 220, 15, 10, 15, kTab | kHidden},
            {1052, Ctl::ListBox, "", 230, 15, 10, 15, kTab | kHidden},
            {1180, Ctl::IconButton, "&Tovel", 90, 225, 30, 30, kTab | kHidden | kDisabled},
            {2, Ctl::PushButton, "&Cancel", 220, 235, 30, 15, kTab | kHidden | kDisabled},
            {1045, Ctl::Static, "Parmn1", 90, 190, 15, 8, kGroup},
            {1046, Ctl::Static, "Parmn2", 145, 190, 15, 8, kGroup},
            {1047, Ctl::Static, "Parmn3", 205, 190, 15, 8, kGroup},
            {1048, Ctl::Static, "Parmn4", 265, 190, 15, 8, kGroup},
            {1061, Ctl::PushButton, "Sho&w", 245, 15, 30, 15, kTab},
        },
    };
    return t;
}

} // namespace

const DialogTemplate& MainDialogTemplateForTest();
const DialogTemplate& MainDialogTemplateForTest()
{
    return MainDialogTemplate();
}

CCallWizardDlg::CCallWizardDlg(QWidget* parent) : CDialog(MainDialogTemplate(), parent)
{
    m_hIcon = LoadAppIcon(128);

    On(IDC_TOVEL, Notify::Clicked, [this] { OnTovelButton(); });
    On(IDC_FUNCTION, Notify::SetFocus, [this] { OnSetFocusHideOptionLists(); });
    On(IDC_LIBRARY, Notify::SetFocus, [this] { OnSetFocusHideOptionLists(); });
    On(IDC_SOURCE, Notify::SetFocus, [this] { OnSetFocusHideOptionLists(); });
    On(IDC_ADD, Notify::Clicked, [this] { OnAddLibrary(); });
    On(IDC_UNLIST, Notify::Clicked, [this] { OnUnlistLibrary(); });
    On(IDC_LIBRARY, Notify::CloseUp, [this] { OnCloseUpLibrary(); });
    On(IDC_FUNCTION, Notify::CloseUp, [this] { OnCloseUpFunction(); });
    On(IDC_FUNCTION, Notify::DropDown, [this] { OnDropDownFunction(); });
    On(IDC_SHOW, Notify::Clicked, [this] { OnShowLibrary(); });
    for (int k = 1; k <= 4; ++k) {
        On(kParamEditId[k], Notify::SetFocus, [this, k] { OnSetFocusParamEdit(k); });
        On(kParamEditId[k], Notify::KillFocus, [this, k] { OnKillFocusParamEdit(k); });
        On(kParamComboId[k], Notify::SetFocus, [this, k] { OnSetFocusParamCombo(k); });
        On(kOptionListId[k], Notify::KillFocus, [this, k] { OnKillFocusOptionList(k); });
    }
    On(IDC_COPY, Notify::Clicked, [this] { OnCopy(); });
    On(IDC_INC, Notify::Clicked, [this] { OnInc(); });
    On(IDC_HELP_BUTTON, Notify::Clicked, [this] { OnHelpButton(); });
    On(IDC_SETUP, Notify::Clicked, [this] { OnSetup(); });
}

CCallWizardDlg::~CCallWizardDlg() = default;

void CCallWizardDlg::DoDataExchange(DataExchange& dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_PARAMETERS_GROUP, m_grpParameters);
    DDX_Control(dx, IDC_EXIT, m_btnExit);
    DDX_Control(dx, 1052, m_lbParam[4]);
    DDX_Control(dx, 1053, m_lbParam[2]);
    DDX_Control(dx, 1054, m_lbParam[1]);
    DDX_Control(dx, 1049, m_lbParam[3]);
    for (int k = 4; k >= 1; --k)
        DDX_Control(dx, kParmnId[static_cast<size_t>(k)], m_stParmn[static_cast<size_t>(k)]);
    DDX_Control(dx, IDC_SEP3, m_stSep[3]);
    DDX_Control(dx, IDC_SEP2, m_stSep[2]);
    DDX_Control(dx, IDC_SEP1, m_stSep[1]);
    DDX_Control(dx, IDC_CLOSING, m_stSep[4]);
    for (int k = 4; k >= 1; --k)
        DDX_Control(dx, kParamEditId[static_cast<size_t>(k)], m_edParam[static_cast<size_t>(k)]);
    for (int k = 4; k >= 1; --k)
        DDX_Control(dx, kParamComboId[static_cast<size_t>(k)], m_cbParam[static_cast<size_t>(k)]);
    DDX_Control(dx, IDC_SOURCE, m_edSource);
    DDX_Control(dx, IDC_FUNCTION, m_cbFunction);
    DDX_Control(dx, IDC_ADD, m_btnAdd);
    DDX_Control(dx, IDC_LIBRARY, m_cbLibrary);
    DDX_Control(dx, IDC_TOVEL, m_btnTovel);

    DDX_CBIndex(dx, IDC_FUNCTION, m_nFunction);
    DDX_CBIndex(dx, IDC_LIBRARY, m_nLibrary);
    DDX_Text(dx, IDC_SOURCE, m_strSource);
    for (size_t k = 1; k <= 4; ++k)
        DDX_Text(dx, kParamEditId[k], m_strParam[k]);
    for (size_t k = 1; k <= 4; ++k)
        DDX_Text(dx, kParmnId[k], m_strParmn[k]);
    DDX_Text(dx, IDC_TYPE_LABEL, m_strType);
    DDX_Text(dx, IDC_FUNCTION_LABEL, m_strFunction);
}

bool CCallWizardDlg::OnInitDialog()
{
    // The framework's part: bind the controls and push the initial fields.
    CDialog::OnInitDialog();

    // The fixed-pitch font of the source view and the two lists.
    m_font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_font.setStyleHint(QFont::TypeWriter);
    m_font.setFixedPitch(true);
    m_font.setPixelSize(-FixedFontHeight(logicalDpiX()));
    m_hasFont = true;
    SendSetFont(IDC_SOURCE, m_font);
    SendSetFont(IDC_FUNCTION, m_font);
    SendSetFont(IDC_LIBRARY, m_font);
    // Prototype comment lines and their hint lines stand out in the view.
    m_edSource->SetLineTone([](const ByteLines& lines, size_t line) {
        switch (ToneOfLine(lines, line)) {
        case LineTone::Prototype:
            return 1;
        case LineTone::Hint:
            return 2;
        default:
            return 0;
        }
    });

    // A value combo's selection follows what the user types into it.
    for (size_t k = 1; k <= 4; ++k)
        m_cbParam[k]->SetSelectionFollowsText(true);

    setWindowIcon(m_hIcon);
    if (m_btnTovel) {
        m_btnTovel->setIcon(LoadAppIcon(129));
        m_btnTovel->setIconSize(QSize(32, 32));
    }

    if (LoadLibraryList() != 0) {
        m_strLibPath = m_cbLibrary->GetLBText(m_cbLibrary->GetCurSel());
        ActivateLibrary(m_strLibPath);
    }
    UpdateData(false);
    return true;
}

void CCallWizardDlg::OnSysCommand(int id)
{
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about(this);
        about.DoModal();
    }
}

void CCallWizardDlg::OnContextMenu(const QPoint& globalPos)
{
    // Where no system menu can be reached, the background's menu offers About.
    QMenu menu(this);
    QAction* about = menu.addAction(QStringLiteral("&About Tovel..."));
    if (menu.exec(globalPos) == about)
        OnSysCommand(IDM_ABOUTBOX);
}

void CCallWizardDlg::OnClose()
{
    // Like Exit, but without pulling the controls into the fields.
    EndDialog(IDOK);
}

void CCallWizardDlg::OnTovelButton() {}

void CCallWizardDlg::OnSetFocusHideOptionLists()
{
    HideOptionLists();
}

void CCallWizardDlg::ParkOptionList(int k)
{
    SetWindowPos(kOptionListId[static_cast<size_t>(k)], InsertAfter::None, 1, 1, 1, 1, SWP_HIDEWINDOW | SWP_NOZORDER);
}

void CCallWizardDlg::HideOptionLists()
{
    for (int k = 1; k <= 4; ++k)
        ParkOptionList(k);
}

} // namespace tovel
