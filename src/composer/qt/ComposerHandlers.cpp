// The main dialog's parameter panel, value editors and Copy.
#include "app/SettingsFile.h"
#include "app/qt/CCallWizardApp.h"
#include "composer/PanelLayout.h"
#include "composer/PrototypeParser.h"
#include "composer/Routine.h"
#include "composer/RoutineCall.h"
#include "composer/ToolProgram.h"
#include "composer/ValueEditors.h"
#include "platform/Controls.h"
#include "platform/Platform.h"
#include "ui/CCallWizardDlg.h"
#include "ui/ControlIds.h"

#include <QLineEdit>
#include <algorithm>
#include <optional>
#include <utility>

namespace tovel {

namespace {

constexpr int kToolGuard = 12345;

void Place(CDialog& dlg, int id, const PixelRect& r, unsigned flags, InsertAfter after = InsertAfter::None)
{
    dlg.SetWindowPos(id, after, r.x, r.y, r.w, r.h, flags);
}

constexpr unsigned kShow = SWP_SHOWWINDOW | SWP_NOZORDER;
constexpr unsigned kHide = SWP_HIDEWINDOW | SWP_NOZORDER;

} // namespace

// ---- Parameter panel ----

void CCallWizardDlg::BuildParameterPanel(std::string sourcePath, std::string prototype)
{
    // Only the type text outlives a routine whose line is not found.
    ParameterPanelModel model;
    model.type = m_strType;
    model = ReadParameterPanel(std::move(model), sourcePath, prototype);
    m_strType = model.type;
    m_strFunction = model.function;
    m_nParams = model.nParams;
    for (size_t k = 1; k <= kMaxSlots; ++k) {
        const bool used = k <= model.names.size();
        m_strParmn[k] = used ? model.names[k - 1] : std::string();
        m_strHint[k] = used ? model.hints[k - 1] : std::string();
        m_strParam[k] = used ? model.values[k - 1] : std::string();
    }
    extraParamNames = model.extraNames;
    // Tool programs are looked for beside the library this routine came from.
    const int lib = m_cbLibrary->GetCurSel();
    routineLibraryPath = lib >= 0 ? m_cbLibrary->GetLBText(lib) : std::string();

    for (int k = 1; k <= kMaxSlots; ++k)
        Place(*this, kParamComboId[static_cast<size_t>(k)], ParkedComboRect(k), kHide);
    for (int k = 1; k <= kMaxSlots; ++k)
        Place(*this, kParamEditId[static_cast<size_t>(k)], ParkedEditRect(k), kHide);
    for (int k = 2; k <= kMaxSlots; ++k)
        Place(*this, kSeparatorId[static_cast<size_t>(k)], ParkedSeparatorRect(), kHide);
    // The name labels of the further rows go with their rows.
    for (int k = kSlotsPerRow + 1; k <= kMaxSlots; ++k)
        Place(*this, kParmnId[static_cast<size_t>(k)], ParkedEditRect(k), kHide);

    const PanelLayout layout = LayoutParameterPanel(m_nParams);
    FitPanelRows(layout.rows);
    for (int k = 1; k <= m_nParams; ++k) {
        const auto i = static_cast<size_t>(k);
        if (k >= 2)
            Place(*this, kSeparatorId[i], layout.separators[i - 2], kShow);
        Place(*this, kParmnId[i], layout.labels[i - 1], kShow);
        m_cbParam[i]->ResetContent();
        const SlotInfo slot = DescribeSlot(routineLibraryPath, m_strParmn[i], m_strHint[i], "");
        if (slot.kind == SlotKind::Choice) {
            Place(*this, kParamComboId[i], layout.values[i - 1], kShow);
            for (const std::string& item : slot.items)
                m_cbParam[i]->AddString(item);
            m_cbParam[i]->SetCurSel(0);
        } else {
            Place(*this, kParamEditId[i], layout.values[i - 1], kShow);
            m_edParam[i]->setReadOnly(false);
        }
    }
    Place(*this, IDC_CLOSING, layout.closing, kShow);
}

// ---- Value editors ----

void CCallWizardDlg::HideOtherOptionLists(int k)
{
    for (int other = 1; other <= kMaxSlots; ++other)
        if (other != k)
            ParkOptionList(other);
}

void CCallWizardDlg::OnSetFocusParamEdit(int k)
{
    const auto i = static_cast<size_t>(k);
    HideOtherOptionLists(k);
    const HintKind kind = ClassifyHint(m_strHint[i]);
    if (kind == HintKind::OptionList) {
        ListBox* list = m_lbParam[i];
        list->ResetContent();
        PixelRect r = OptionListRect(k, m_nParams);
        r.h = std::min(r.h, height() - r.y); // the list ends inside the window
        if (k == 3)
            Place(*this, kOptionListId[i], r, SWP_SHOWWINDOW | SWP_FRAMECHANGED, InsertAfter::Top);
        else
            Place(*this, kOptionListId[i], r, kShow);
        const std::vector<std::string> items = SplitOptionList(m_strHint[i]);
        for (const std::string& item : items)
            list->AddString(item);
        // The list opens showing the options the value already holds.
        if (!m_strParam[i].empty()) {
            const std::vector<std::string> chosen = SplitOptionList(m_strParam[i]);
            for (size_t row = 0; row < items.size(); ++row)
                if (std::find(chosen.begin(), chosen.end(), items[row]) != chosen.end())
                    list->item(static_cast<int>(row))->setSelected(true);
        }
        optionSelectionAtOpen[i] = list->GetSelItems();
        // Tab goes from the edit into its open list, and on from there.
        QWidget::setTabOrder(m_edParam[i], list);
    } else if (kind == HintKind::ToolProgram && m_nToolLaunched != kToolGuard) {
        // One attempt per guard cycle, whatever comes of it.
        m_nToolLaunched = kToolGuard;
        RunToolProgram(k);
    }
    UpdateData(false);
    if (k == 3)
        RedrawWindow(kOptionListId[3]);
}

void CCallWizardDlg::RunToolProgram(int k)
{
    const std::string& hint = m_strHint[static_cast<size_t>(k)];
    Platform& platform = CurrentPlatform();
    if (const auto refusal = ToolHintRefusal(hint)) {
        platform.MessageBox(this, *refusal, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const std::string program = BuildToolCommand(routineLibraryPath, hint);
    if (!AgreedToRun(LibraryFileName(routineLibraryPath), program))
        return;
    ToolRun run = platform.RunTool(this, program);
    if (!run.started) {
        platform.MessageBox(this, ToolNotStartedMessage(hint), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (run.crashed)
        platform.MessageBox(this, ToolCrashedMessage(hint), MB_OK | MB_ICONEXCLAMATION);
    if (run.outputCut)
        run.output += ToolOutputCutNote(kToolOutputLimit);
    if (!run.output.empty())
        platform.ShowOutput(this, hint, run.output);
}

bool CCallWizardDlg::AgreedToRun(const std::string& who, const std::string& program)
{
    const std::string folder = LibraryFolder(program);
    if (m_trustedFoldersThisRun.contains(folder) || IsTrustedFolder(Settings().KeyNames(kTrustedSection), folder))
        return true;
    const int answer = CurrentPlatform().AskToRun(this, ToolConsentQuestion(who), program, ToolConsentButtons(),
                                                  kConsentRun, kConsentCancel);
    if (answer != kConsentRun && answer != kConsentAlways)
        return false;
    // A folder that cannot be written down is still trusted for this run.
    if (answer == kConsentAlways)
        ReportSettingsWrite(Settings().Write(kTrustedSection, folder, setting::kTrustedValue));
    m_trustedFoldersThisRun.insert(folder);
    return true;
}

void CCallWizardDlg::OnKillFocusOptionList(int k)
{
    const auto i = static_cast<size_t>(k);
    ListBox* list = m_lbParam[i];
    const std::vector<int> selected = list->GetSelItems();
    // A visit that changes nothing keeps the value, typed by hand or not.
    const bool changed = selected != optionSelectionAtOpen[i];
    if (changed) {
        m_strParam[i].clear();
        UpdateData(false);
    }
    ParkOptionList(k);
    if (changed && !selected.empty()) {
        std::vector<std::string> texts;
        texts.reserve(selected.size());
        for (int row : selected)
            texts.push_back(list->GetText(row));
        m_strParam[i] = JoinOptionSelection(texts);
    }
    optionSelectionAtOpen[i] = selected;
    Place(*this, kParamEditId[i], ValueEditRect(k, std::max(1, m_nParams)), kShow);
    UpdateData(false);
}

void CCallWizardDlg::OnKillFocusParamEdit(int k)
{
    const auto i = static_cast<size_t>(k);
    UpdateData(true);
    m_nToolLaunched = 0;
    if (IsOutOfRange(m_strHint[i], m_strParam[i]))
        CurrentPlatform().MessageBox(this, OutOfRangeReport(m_strParmn[i], m_strHint[i]), MB_OK | MB_ICONEXCLAMATION);
}

void CCallWizardDlg::OnSetFocusParamCombo(int k)
{
    HideOtherOptionLists(k);
}

// ---- Call text and clipboard ----

std::string CCallWizardDlg::ResolveSlotValue(int k)
{
    const auto i = static_cast<size_t>(k);
    const int sel = m_cbParam[i]->GetCurSel();
    return CopiedSlotValue(m_strParam[i], sel >= 0 ? std::optional(m_cbParam[i]->GetLBText(sel)) : std::nullopt,
                           sel >= 0 ? std::string() : GetDlgItemText(kParamComboId[i]));
}

void CCallWizardDlg::RunRangeTestBeforeCopy()
{
    // Enter in a value edit, or a click on Copy straight from it: the edit's
    // range test runs first, so both report a value out of range and copy.
    int k = std::exchange(rangeTestAtCopy, 0);
    for (int slot = 1; slot <= kMaxSlots && k == 0; ++slot)
        if (m_edParam[static_cast<size_t>(slot)]->hasFocus())
            k = slot;
    if (k == 0)
        return;
    // An edit that keeps the focus keeps its tool-program guard.
    const bool keepsFocus = m_edParam[static_cast<size_t>(k)]->hasFocus();
    const int guard = m_nToolLaunched;
    OnKillFocusParamEdit(k);
    if (keepsFocus)
        m_nToolLaunched = guard;
}

void CCallWizardDlg::OnCopy()
{
    RunRangeTestBeforeCopy();
    UpdateData(true);
    HideOptionLists();
    // No routine chosen yet: there is no call, and the clipboard keeps what it holds.
    if (m_strFunction.empty())
        return;
    std::vector<std::string> values;
    for (int k = 1; k <= kMaxSlots; ++k) {
        if (m_strParmn[static_cast<size_t>(k)].empty())
            break;
        values.push_back(ResolveSlotValue(k));
    }
    CopyTextToClipboard(ComposeRoutineCallText(m_strFunction, values, extraParamNames));
}

void CCallWizardDlg::OnInc()
{
    UpdateData(true);
    CopyTextToClipboard(m_strLibPath);
}

void CCallWizardDlg::CopyTextToClipboard(const std::string& text)
{
    // The whole text: a call cut short would not compile. A clipboard that
    // cannot be taken is not reported; one that took the text says so, briefly.
    if (CurrentPlatform().SetClipboardText(text))
        ShowCopiedSign();
}

} // namespace tovel
