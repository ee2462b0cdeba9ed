#include "ui/CCallWizardDlg.h"

#include "common/DialogUnits.h"
#include "library/SourceView.h"
#include "platform/ByteTextView.h"
#include "platform/Controls.h"
#include "platform/Platform.h"
#include "ui/CAboutDlg.h"
#include "ui/ControlIds.h"
#include "ui/Icons.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <utility>

namespace tovel {

namespace {

constexpr unsigned kTab = kTabStop;

// The dialog as designed, with four parameter slots.
const DialogTemplate& DesignedDialogTemplate()
{
    static const DialogTemplate t{
        "Tovel",
        372,
        261,
        {
            {IDC_INC, Ctl::PushButton, "#&Inc", 180, 235, 30, 15, kTab | kHidden | kDisabled},
            {IDC_UNLIST, Ctl::PushButton, "&Unlist", 285, 15, 29, 15, kTab},
            {IDC_ADD, Ctl::PushButton, "&Add", 325, 15, 30, 15, kTab},
            {IDC_LIBRARY, Ctl::ComboDropDown, "", 11, 31, 349, 109, kTab | kSorted | kFixedFont},
            {IDC_STATIC, Ctl::Static, "Choose &Function", 10, 55, 65, 8, kGroup},
            {IDC_FUNCTION, Ctl::ComboDropDownList, "", 11, 65, 349, 110, kTab | kSorted | kFixedFont},
            {IDC_STATIC, Ctl::Static, "&Source Code", 10, 80, 42, 8, kGroup},
            {IDC_SOURCE, Ctl::MultiLineEdit, "", 10, 90, 350, 90, kTab | kReadOnly | kFixedFont},
            {IDC_COPY, Ctl::DefPushButton, "&Copy", 330, 200, 30, 15, kTab},
            {IDC_EXIT, Ctl::DefPushButton, "E&xit", 330, 235, 30, 15, kTab},
            {IDC_STATIC, Ctl::GroupBox, "Help", 5, 225, 80, 30, kNone},
            {IDC_HELP_BUTTON, Ctl::PushButton, "F1=&Help", 10, 235, 30, 15, kTab},
            {IDC_SETUP, Ctl::PushButton, "Setu&p", 50, 235, 30, 15, kTab},
            {IDC_STATIC, Ctl::GroupBox, "Select &Library", 5, 5, 360, 45, kNone},
            {IDC_SEP1, Ctl::Static, ",", 15, 15, 8, 10, kCenter | kHidden},
            {IDC_SEP2, Ctl::Static, ",", 31, 15, 8, 10, kCenter | kHidden},
            {IDC_SEP3, Ctl::Static, ",", 51, 15, 8, 10, kCenter | kHidden},
            {IDC_CLOSING, Ctl::Static, ")", 65, 15, 8, 10, kCenter | kHidden},
            {IDC_PARAM_COMBO1, Ctl::ComboDropDown, "", 75, 15, 16, 130, kTab | kHidden},
            {IDC_PARAM_COMBO2, Ctl::ComboDropDown, "", 95, 15, 16, 130, kTab | kHidden},
            {IDC_PARAM_COMBO3, Ctl::ComboDropDown, "", 115, 15, 16, 130, kTab | kHidden},
            {IDC_PARAM_COMBO4, Ctl::ComboDropDown, "", 135, 15, 16, 130, kTab | kHidden},
            {IDC_PARAM_EDIT1, Ctl::Edit, "", 155, 15, 10, 12, kTab | kReadOnly | kHidden},
            {IDC_PARAM_EDIT2, Ctl::Edit, "", 165, 15, 10, 12, kTab | kReadOnly | kHidden},
            {IDC_PARAM_EDIT3, Ctl::Edit, "", 175, 15, 10, 12, kTab | kReadOnly | kHidden},
            {IDC_PARAM_EDIT4, Ctl::Edit, "", 185, 15, 10, 12, kTab | kReadOnly | kHidden},
            {IDC_PARAMETERS_GROUP, Ctl::GroupBox, "Choose &Parameters", 5, 185, 360, 35, kNone},
            {IDC_TYPE_LABEL, Ctl::Static, "Type", 10, 196, 65, 8, kCenter | kGroup},
            {IDC_FUNCTION_LABEL, Ctl::Static, "Function", 15, 206, 60, 10, kRight | kVCenter | kGroup},
            {IDC_STATIC, Ctl::Static, "(", 75, 206, 8, 8, kCenter | kGroup},
            {IDC_OPTIONS1, Ctl::ListBox, "", 200, 15, 10, 15, kTab | kHidden},
            {IDC_OPTIONS2, Ctl::ListBox, "", 210, 15, 10, 15, kTab | kHidden},
            {IDC_OPTIONS3, Ctl::ListBox, "", 220, 15, 10, 15, kTab | kHidden},
            {IDC_OPTIONS4, Ctl::ListBox, "", 230, 15, 10, 15, kTab | kHidden},
            {IDC_TOVEL, Ctl::IconButton, "&Tovel", 90, 225, 30, 30, kTab | kHidden | kDisabled},
            {IDC_CANCEL, Ctl::PushButton, "&Cancel", 220, 235, 30, 15, kTab | kHidden | kDisabled},
            {IDC_PARMN1, Ctl::Static, "Parmn1", 90, 190, 15, 8, kGroup},
            {IDC_PARMN2, Ctl::Static, "Parmn2", 145, 190, 15, 8, kGroup},
            {IDC_PARMN3, Ctl::Static, "Parmn3", 205, 190, 15, 8, kGroup},
            {IDC_PARMN4, Ctl::Static, "Parmn4", 265, 190, 15, 8, kGroup},
            {IDC_SHOW, Ctl::PushButton, "Sho&w", 245, 15, 30, 15, kTab},
        },
    };
    return t;
}

// Slots past the fourth, like the template's four: their combos, edits, name
// labels and separators follow slot 4's edit (so Tab goes on from it, and
// the option lists, made later, lie above them), their lists follow list 4.
void AddExtraSlots(DialogTemplate& t)
{
    auto after = [&](int id) {
        return std::find_if(t.controls.begin(), t.controls.end(), [id](const ControlTemplate& c) { return c.id == id; })
            + 1;
    };
    std::vector<ControlTemplate> slotControls, lists;
    for (int k = 5; k <= kMaxSlots; ++k) {
        const auto i = static_cast<size_t>(k);
        slotControls.push_back({kParamComboId[i], Ctl::ComboDropDown, "", 135, 15, 16, 130, kTab | kHidden});
        slotControls.push_back({kParamEditId[i], Ctl::Edit, "", 185, 15, 10, 12, kTab | kReadOnly | kHidden});
        slotControls.push_back({kParmnId[i], Ctl::Static, "", 265, 190, 15, 8, kGroup | kHidden});
        slotControls.push_back({kSeparatorId[i], Ctl::Static, ",", 51, 15, 8, 10, kCenter | kHidden});
        lists.push_back({kOptionListId[i], Ctl::ListBox, "", 230, 15, 10, 15, kTab | kHidden});
    }
    t.controls.insert(after(IDC_PARAM_EDIT4), slotControls.begin(), slotControls.end());
    t.controls.insert(after(IDC_OPTIONS4), lists.begin(), lists.end());
}

const DialogTemplate& MainDialogTemplate()
{
    static const DialogTemplate t = [] {
        DialogTemplate built = DesignedDialogTemplate();
        AddExtraSlots(built);
        return built;
    }();
    return t;
}

} // namespace

const DialogTemplate& MainDialogTemplateForTest()
{
    return MainDialogTemplate();
}

CCallWizardDlg::CCallWizardDlg(QWidget* parent) : CDialog(MainDialogTemplate(), parent)
{
    m_hIcon = LoadAppIcon(128);

    On(IDC_FUNCTION, Notify::SetFocus, [this] { HideOptionLists(); });
    On(IDC_LIBRARY, Notify::SetFocus, [this] { HideOptionLists(); });
    On(IDC_SOURCE, Notify::SetFocus, [this] { HideOptionLists(); });
    On(IDC_ADD, Notify::Clicked, [this] { OnAddLibrary(); });
    On(IDC_UNLIST, Notify::Clicked, [this] { OnUnlistLibrary(); });
    On(IDC_LIBRARY, Notify::CloseUp, [this] { OnCloseUpLibrary(); });
    On(IDC_FUNCTION, Notify::CloseUp, [this] { OnCloseUpFunction(); });
    On(IDC_FUNCTION, Notify::DropDown, [this] { OnDropDownFunction(); });
    On(IDC_SHOW, Notify::Clicked, [this] { OnShowLibrary(); });
    for (int k = 1; k <= kMaxSlots; ++k) {
        On(kParamEditId[k], Notify::SetFocus, [this, k] {
            // Back from an option list that Escape closed: the list stays closed.
            if (optionListClosedByEscape == k) {
                optionListClosedByEscape = 0;
                HideOtherOptionLists(k);
                return;
            }
            OnSetFocusParamEdit(k);
        });
        On(kParamEditId[k], Notify::KillFocus, [this, k] {
            // A message box between the press and the release of the mouse
            // button would swallow the click on Copy: Copy runs the test.
            if (QApplication::focusWidget() == GetDlgItem(IDC_COPY)) {
                rangeTestAtCopy = k;
                return;
            }
            OnKillFocusParamEdit(k);
        });
        On(kParamComboId[k], Notify::SetFocus, [this, k] { OnSetFocusParamCombo(k); });
        On(kOptionListId[k], Notify::KillFocus, [this, k] { OnKillFocusOptionList(k); });
    }
    On(IDC_COPY, Notify::Clicked, [this] { OnCopy(); });
    // The focus leaves Copy without a click: the waiting range test runs now.
    On(IDC_COPY, Notify::KillFocus, [this] {
        if (const int k = std::exchange(rangeTestAtCopy, 0))
            OnKillFocusParamEdit(k);
    });
    On(IDC_INC, Notify::Clicked, [this] { OnInc(); });
    On(IDC_HELP_BUTTON, Notify::Clicked, [this] { OnHelpButton(); });
    On(IDC_SETUP, Notify::Clicked, [this] { OnSetup(); });
}

CCallWizardDlg::~CCallWizardDlg() = default;

void CCallWizardDlg::DoDataExchange(DataExchange& dx)
{
    DDX_Control(dx, IDC_PARAMETERS_GROUP, m_grpParameters);
    DDX_Control(dx, IDC_EXIT, m_btnExit);
    DDX_Control(dx, IDC_OPTIONS4, m_lbParam[4]);
    DDX_Control(dx, IDC_OPTIONS2, m_lbParam[2]);
    DDX_Control(dx, IDC_OPTIONS1, m_lbParam[1]);
    DDX_Control(dx, IDC_OPTIONS3, m_lbParam[3]);
    for (int k = 4; k >= 1; --k)
        DDX_Control(dx, kParmnId[static_cast<size_t>(k)], m_stParmn[static_cast<size_t>(k)]);
    for (int k = 5; k <= kMaxSlots; ++k) {
        const auto i = static_cast<size_t>(k);
        DDX_Control(dx, kParmnId[i], m_stParmn[i]);
        DDX_Control(dx, kParamEditId[i], m_edParam[i]);
        DDX_Control(dx, kParamComboId[i], m_cbParam[i]);
        DDX_Control(dx, kOptionListId[i], m_lbParam[i]);
    }
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
    for (size_t k = 1; k <= kMaxSlots; ++k)
        DDX_Text(dx, kParamEditId[k], m_strParam[k]);
    for (size_t k = 1; k <= kMaxSlots; ++k)
        DDX_Text(dx, kParmnId[k], m_strParmn[k]);
    DDX_Text(dx, IDC_TYPE_LABEL, m_strType);
    DDX_Text(dx, IDC_FUNCTION_LABEL, m_strFunction);
}

bool CCallWizardDlg::OnInitDialog()
{
    // The framework's part: bind the controls and push the initial fields.
    CDialog::OnInitDialog();
    AllowResizing();

    // The fixed-pitch font of the source view and the two lists.
    m_font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_font.setStyleHint(QFont::TypeWriter);
    m_font.setFixedPitch(true);
    m_font.setPixelSize(-FixedFontHeight(logicalDpiX()));
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
    for (size_t k = 1; k <= kMaxSlots; ++k)
        m_cbParam[k]->SetSelectionFollowsText(true);
    // The lists open wide enough for whole paths and prototypes; typing in
    // the open function list finds a routine by its name.
    m_cbLibrary->SetListFitsLongestItem(true);
    m_cbFunction->SetListFitsLongestItem(true);
    m_cbFunction->SetListFilter([this](const std::string& typed, std::vector<uint32_t>& rows) {
        if (!m_functionNames)
            m_functionNames.emplace(m_cbFunction->Items());
        return m_functionNames->Filter(m_cbFunction->Items(), typed, rows);
    });

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
    // The user's first act is choosing a routine: Enter must not ask to Unlist.
    m_cbFunction->setFocus(Qt::OtherFocusReason);
    return false;
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

bool CCallWizardDlg::OnEscapeKey(int id)
{
    // Escape in an open option list closes the list (its selection is
    // taken as when it loses the focus) and goes back to the slot's edit.
    for (int k = 1; k <= kMaxSlots; ++k) {
        const auto i = static_cast<size_t>(k);
        // In the slot's edit while its list shows: the list closes, the value stays.
        if (id == kParamEditId[i] && m_lbParam[i] && m_lbParam[i]->isVisible()) {
            UpdateData(true); // what was typed into the edit is its value
            OnKillFocusOptionList(k);
            return true;
        }
        if (id == kOptionListId[i] && m_lbParam[i] && m_lbParam[i]->isVisible()) {
            optionListClosedByEscape = k;
            m_edParam[i]->setFocus(Qt::OtherFocusReason);
            if (optionListClosedByEscape == k) {
                // No focus move was reported (the window is not active).
                optionListClosedByEscape = 0;
                OnKillFocusOptionList(k);
            }
            return true;
        }
    }
    return false;
}

void CCallWizardDlg::ParkOptionList(int k)
{
    SetWindowPos(kOptionListId[static_cast<size_t>(k)], InsertAfter::None, 1, 1, 1, 1, SWP_HIDEWINDOW | SWP_NOZORDER);
}

void CCallWizardDlg::HideOptionLists()
{
    for (int k = 1; k <= kMaxSlots; ++k)
        ParkOptionList(k);
}

void CCallWizardDlg::FitPanelRows(int rows)
{
    if (rows == panelRows)
        return;
    // The window grows or shrinks by the rows gained or lost, whatever size
    // the user gave it; the layout counts the new rows as designed room, not
    // as extra room for the source view.
    const int step = (rows - panelRows) * kPanelRowHeight;
    panelRows = rows;
    const int down = (rows - 1) * kPanelRowHeight;
    const DialogTemplate& t = Template();
    const auto group = std::find_if(t.controls.begin(), t.controls.end(),
                                    [](const ControlTemplate& c) { return c.id == IDC_PARAMETERS_GROUP; });
    const int groupBottom = group->y + group->h;
    for (size_t i = 0; i < t.controls.size(); ++i) {
        const ControlTemplate& c = t.controls[i];
        QRect r = DluRect(c);
        if (c.id == IDC_PARAMETERS_GROUP)
            r.setHeight(r.height() + down);
        else if (c.y >= groupBottom)
            r.translate(0, down);
        else
            continue;
        SetDesignedRect(ControlAt(i), r);
        ControlAt(i)->setGeometry(PlacedRect(c.id, r));
    }
    const int designedHeight = DluToPixelsY(t.height) + down;
    if (!m_layout) {
        setFixedHeight(designedHeight);
        return;
    }
    // A maximised window keeps its size (the source view gives up the room);
    // a growing one stops at the screen's bottom.
    int height = std::max(designedHeight, this->height() + step);
    if (isMaximized() || isFullScreen())
        height = this->height();
    else if (const QScreen* where = screen(); where && step > 0) {
        const int bottomFrame = frameGeometry().bottom() - geometry().bottom();
        const int room = where->availableGeometry().bottom() - bottomFrame - geometry().top() + 1;
        height = std::max(designedHeight, std::min(height, room));
    }
    m_layout->SetDesignedHeight(designedHeight);
    setMinimumHeight(designedHeight);
    resize(width(), height);
    LayOutControls();
}

} // namespace tovel
