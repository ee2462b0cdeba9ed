// Keeping the parameter panel true: emptied when another library becomes
// current, kept when the function list closes on its routine, rebuilt with
// the typed values when the library is edited outside, its hints shown as
// tooltips, and the short sign that Copy copied.
#include "app/SettingsFile.h"
#include "app/qt/CCallWizardApp.h"
#include "common/RoutineName.h"
#include "composer/PrototypeParser.h"
#include "composer/Routine.h"
#include "composer/ValueEditors.h"
#include "library/SourceView.h"
#include "platform/Controls.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "ui/CCallWizardDlg.h"
#include "ui/ControlIds.h"

#include <QApplication>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace tovel {

namespace {

// Editors write a file in steps (truncate, write, rename): the refresh waits
// for them to settle.
constexpr int kOutsideEditSettleMs = 250;
constexpr int kCopiedSignMs = 1000;

struct SlotValue {
    std::string name, hint, value;
};

} // namespace

void CCallWizardDlg::EmptyParameterPanel()
{
    m_strType.clear();
    BuildParameterPanel(std::string(), std::string());
    panelPrototype.clear();
    panelSourcePath.clear();
    HideOptionLists();
    ShowSlotHints();
}

bool CCallWizardDlg::PanelShows(const std::string& libraryPath, const std::string& prototype) const
{
    return !panelPrototype.empty() && panelPrototype == prototype && routineLibraryPath == libraryPath;
}

void CCallWizardDlg::NotePanelRoutine(const std::string& prototype, const std::string& sourcePath)
{
    panelPrototype = prototype;
    panelSourcePath = sourcePath;
    ShowSlotHints();
    WatchCurrentFiles();
}

void CCallWizardDlg::ShowSlotHints()
{
    for (int k = 1; k <= kMaxSlots; ++k) {
        const auto i = static_cast<size_t>(k);
        const QString words = k <= m_nParams ? FromBytes(DescribeHint(m_strHint[i])) : QString();
        for (QWidget* field : {static_cast<QWidget*>(m_edParam[i]), static_cast<QWidget*>(m_cbParam[i]),
                               static_cast<QWidget*>(m_lbParam[i])})
            if (field)
                field->setToolTip(words);
        // The label names its parameter too, so a cut name still shows whole.
        if (m_stParmn[i])
            m_stParmn[i]->setToolTip(words.isEmpty() ? QString()
                                                     : FromBytes(m_strParmn[i]) + QStringLiteral(": ") + words);
    }
}

void CCallWizardDlg::WatchCurrentFiles()
{
    if (!fileWatcher) {
        fileWatcher = new QFileSystemWatcher(this);
        outsideEditTimer = new QTimer(this);
        outsideEditTimer->setSingleShot(true);
        outsideEditTimer->setInterval(kOutsideEditSettleMs);
        connect(outsideEditTimer, &QTimer::timeout, this, [this] { RefreshAfterOutsideEdit(); });
        connect(fileWatcher, &QFileSystemWatcher::fileChanged, this, [this] {
            // A save by rename leaves the watch on the old file: watch the path again.
            WatchCurrentFiles();
            outsideEditTimer->start();
        });
    }
    QStringList wanted;
    const int lib = m_cbLibrary ? m_cbLibrary->GetCurSel() : -1;
    if (lib >= 0)
        wanted << FromBytes(m_cbLibrary->GetLBText(lib));
    if (!panelSourcePath.empty() && !wanted.contains(FromBytes(panelSourcePath)))
        wanted << FromBytes(panelSourcePath);
    for (const QString& path : fileWatcher->files())
        if (!wanted.contains(path))
            fileWatcher->removePath(path);
    const QStringList watched = fileWatcher->files();
    for (const QString& path : wanted)
        if (!watched.contains(path) && CurrentPlatform().FileExists(ToBytes(path)))
            fileWatcher->addPath(path);
}

bool CCallWizardDlg::RefreshMustWait() const
{
    // Not under the user's hands: an open list, a message or another window.
    const QWidget* modal = QApplication::activeModalWidget();
    if ((modal && modal != this) || QApplication::activePopupWidget())
        return true;
    for (int k = 1; k <= kMaxSlots; ++k)
        if (m_lbParam[static_cast<size_t>(k)] && m_lbParam[static_cast<size_t>(k)]->isVisible())
            return true;
    return false;
}

void CCallWizardDlg::RefreshAfterOutsideEdit()
{
    WatchCurrentFiles();
    if (RefreshMustWait()) {
        outsideEditTimer->start();
        return;
    }
    const int lib = m_cbLibrary->GetCurSel();
    if (lib < 0)
        return;
    const std::string libraryPath = m_cbLibrary->GetLBText(lib);
    // Gone for the moment (an editor between removing and writing): the
    // next change brings it back.
    if (!CurrentPlatform().FileExists(libraryPath))
        return;
    UpdateData(true);
    const bool panelHere = !panelPrototype.empty() && routineLibraryPath == libraryPath;
    if (m_cbFunction->GetCount() > 0 || panelHere) {
        listedVersion.Forget();
        ScanLibrary(libraryPath);
    }
    if (panelHere) {
        // The same routine: its prototype as it was, or else the first with its name.
        int found = m_cbFunction->FindStringExact(-1, panelPrototype);
        const std::string name = RoutineNameOf(panelPrototype);
        for (int row = 0; found < 0 && row < m_cbFunction->GetCount(); ++row)
            if (RoutineNameOf(m_cbFunction->GetLBText(row)) == name)
                found = row;
        // A routine that is gone (or half written) keeps its panel and values.
        if (found >= 0) {
            m_cbFunction->SetCurSel(found);
            m_nFunction = found;
            m_nLibrary = lib;
            RebuildPanelKeepingValues(libraryPath, m_cbFunction->GetLBText(found));
        }
    }
    m_nFunction = m_cbFunction->GetCurSel();
    m_nLibrary = lib;
    if (viewShowsLibrary)
        OnShowLibrary();
    UpdateData(false);
}

void CCallWizardDlg::RebuildPanelKeepingValues(const std::string& libraryPath, const std::string& prototype)
{
    std::vector<SlotValue> typed;
    for (int k = 1; k <= m_nParams; ++k) {
        const auto i = static_cast<size_t>(k);
        const bool choice = IsChoiceHint(m_strHint[i]);
        typed.push_back({m_strParmn[i], m_strHint[i], choice ? GetDlgItemText(kParamComboId[i]) : m_strParam[i]});
    }
    QWidget* focused = QApplication::focusWidget();
    PauseFocusNotifications(true);
    const RoutineBlock block = FindRoutineBlock(SourcePathFor(libraryPath, prototype), prototype, !viewShowsLibrary);
    if (!viewShowsLibrary)
        m_strSource = block.text;
    BuildParameterPanel(block.openedPath, prototype);
    for (int k = 1; k <= m_nParams; ++k) {
        const auto i = static_cast<size_t>(k);
        for (const SlotValue& old : typed) {
            // A tool program's preset is no typed value: the new hint's preset stays.
            if (old.name != m_strParmn[i] || old.value == "\"" + old.hint + "\"")
                continue;
            if (IsChoiceHint(m_strHint[i])) {
                const int item = m_cbParam[i]->FindStringExact(-1, old.value);
                if (item >= 0)
                    m_cbParam[i]->SetCurSel(item);
                else
                    SetWindowTextBytes(m_cbParam[i], old.value);
            } else {
                m_strParam[i] = old.value;
            }
            break;
        }
    }
    if (prototype != panelPrototype)
        ReportSettingsWrite(Settings().Write(setting::kChoice, prototype));
    NotePanelRoutine(prototype, block.openedPath);
    UpdateData(false);
    if (focused && focused->isVisible())
        focused->setFocus(Qt::OtherFocusReason);
    PauseFocusNotifications(false);
}

void CCallWizardDlg::ShowCopiedSign()
{
    auto* copy = qobject_cast<QPushButton*>(GetDlgItem(IDC_COPY));
    if (!copy)
        return;
    if (!copiedSignTimer) {
        copiedSignTimer = new QTimer(this);
        copiedSignTimer->setSingleShot(true);
        copiedSignTimer->setInterval(kCopiedSignMs);
        connect(copiedSignTimer, &QTimer::timeout, copy, [copy] { copy->setText(QStringLiteral("&Copy")); });
    }
    // The mnemonic stays, so Alt+C copies again while the sign shows.
    copy->setText(QStringLiteral("&Copied"));
    copiedSignTimer->start();
}

} // namespace tovel
