// The main dialog's library list, scanner and source view handlers.
#include "app/SettingsFile.h"
#include "app/qt/CCallWizardApp.h"
#include "composer/Routine.h"
#include "library/LibraryList.h"
#include "library/LineReader.h"
#include "library/Scanner.h"
#include "library/SourceView.h"
#include "platform/CLibBrowse.h"
#include "platform/Controls.h"
#include "platform/Platform.h"
#include "ui/CCallWizardDlg.h"

#include <unordered_set>

namespace tovel {

namespace {

// A settings key cannot hold '=' or a line break, nor keep blanks at its ends
// or a leading ';' or '[': such a path is refused before anything is listed
// or written.
std::string UnlistableLibraryMessage(const std::string& path)
{
    return "Library " + path
        + " cannot be listed:\nthe settings file cannot keep a path that holds '=' or a line break,"
          " starts with ';' or '[', or starts or ends with a blank.";
}

} // namespace

// ---- Library list ----

int CCallWizardDlg::LoadLibraryList()
{
    m_cbLibrary->ResetContent();
    SettingsFile settings = Settings();
    const std::vector<std::string> names = settings.KeyNames(setting::kLibrariesSection);
    PresentLibraries split =
        SplitPresentLibraries(names, [](const std::string& name) { return CurrentPlatform().FileExists(name); });
    std::vector<std::string>& kept = split.present;
    const std::vector<std::string>& missing = split.missing;
    // One message for all that are gone, however many there are.
    if (!missing.empty())
        CurrentPlatform().MessageBox(this, MissingLibrariesMessage(missing), MB_OK | MB_ICONHAND);
    // The box may have stood open for a long time, and another window may
    // have changed the list meanwhile: the section is edited as it stands at
    // the moment of the change, under the settings lock. Only the libraries
    // named in the box go, the rest is sorted into the list's order, in one
    // replace of the file (a kill leaves the old list or the new one); when
    // it already holds that, the file is left alone.
    std::vector<std::string> listed = std::move(kept);
    const std::unordered_set<std::string> gone(missing.begin(), missing.end());
    const SettingsWrite edit = settings.EditSection(
        setting::kLibrariesSection,
        [&](const std::vector<std::string>& current) {
            std::vector<std::string> keys;
            for (const std::string& key : current)
                if (!gone.contains(key))
                    keys.push_back(key);
            SortLibraryList(keys);
            listed = keys;
            return keys;
        },
        setting::kLibraryListed);
    ReportSettingsWrite(edit);
    m_cbLibrary->SetItems(std::move(listed));
    const std::string last = settings.Read(setting::kLibrary);
    const CurrentLibraryChoice choice = ChooseCurrentLibrary(m_cbLibrary->Items(), last);
    m_cbLibrary->SetCurSel(choice.index);
    // Written only while "Library" still holds what was read: a choice made
    // meanwhile in another window stays.
    if (choice.index >= 0 && !choice.isLast)
        ReportSettingsWrite(settings.WriteUnlessChanged(setting::kLibrary, last, m_cbLibrary->GetLBText(choice.index)));
    return choice.index + 1;
}

void CCallWizardDlg::ActivateLibrary(std::string path)
{
    // The list is emptied before the whole text is read, not after: the
    // user sees the same, and a large library's list and text are never
    // held at the same time. So the scan here only finds what a full scan
    // would leave behind once its list is gone.
    const bool otherLibrary = path != routineLibraryPath;
    const int listed = ScanLibraryWithoutList(path);
    // The panel's routine belongs to the library that was current: Copy
    // must not compose it while another one is.
    if (otherLibrary)
        EmptyParameterPanel();
    WatchCurrentFiles();
    if (listed != 0)
        OnShowLibrary();
}

int CCallWizardDlg::ScanLibraryWithoutList(const std::string& path)
{
    // As ScanLibrary followed by emptying the list: the same messages, the
    // same choice written, the same selection index in the field, but the
    // sorted list of a large library is never made.
    m_cbFunction->ResetContent();
    listedVersion.Forget();
    m_functionNames.reset();
    int result = 0;
    int selection = -1;
    if (!path.empty()) {
        FileLineReader reader;
        if (!reader.Open(path)) {
            CurrentPlatform().MessageBox(this, UnreadableLibraryMessage(path), MB_OK | MB_ICONINFORMATION);
        } else {
            const PrototypeSummary summary =
                SummarisePrototypes(reader, IsHeaderLibrary(path), Settings().Read(setting::kChoice));
            if (summary.choiceIndex >= 0) {
                selection = static_cast<int>(summary.choiceIndex);
                result = selection + 1;
            } else if (summary.count > 0) {
                ReportSettingsWrite(Settings().Write(setting::kChoice, summary.first));
                selection = 0;
                result = 1;
            } else {
                ReportNoRoutines(path);
            }
        }
    }
    UpdateData(true);
    m_nFunction = selection;
    return result;
}

void CCallWizardDlg::ReportNoRoutines(const std::string& path)
{
    // A second read, only for a file that lists nothing, counts its long lines.
    FileLineReader reader;
    const LongLines longLines = reader.Open(path) ? FindLongLines(reader) : LongLines{};
    CurrentPlatform().MessageBox(this, NoRoutinesMessage(path, longLines), MB_OK | MB_ICONINFORMATION);
}

void CCallWizardDlg::OnAddLibrary()
{
    UpdateData(true);
    HideOptionLists();
    const int sel = m_cbLibrary->GetCurSel();
    const std::string start =
        AddStartPath(m_cbLibrary->GetLBText(sel), sel >= 0, Settings().Read(setting::kLibrary), AppPath());
    const PickerStart picker = AddPickerStart(start);
    CLibBrowse browse(this);
    browse.m_ofn.title = "Select Library Source";
    browse.m_ofn.filters = {{" Header(*.h)", "*.h"}, {" Library(*.s)", "*.s"}, {" All(*.*)", "*.*"}};
    browse.m_ofn.initialFolder = picker.folder;
    browse.m_ofn.initialFileName = picker.fileName;
    if (browse.DoModal() == IDOK)
        AddLibraryPath(browse.GetPathName());
    UpdateData(false);
}

void CCallWizardDlg::AddLibraryPath(const std::string& path)
{
    if (!IsRegistrableLibraryPath(path)) {
        CurrentPlatform().MessageBox(this, UnlistableLibraryMessage(path), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (IsTooLongLibraryPath(path)) {
        CurrentPlatform().MessageBox(this, TooLongLibraryMessage(path), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const int pos = m_cbLibrary->AddString(path);
    m_cbLibrary->SetCurSel(pos);
    ReportSettingsWrite(Settings().Write(setting::kLibrariesSection, path, setting::kLibraryListed));
    ReportSettingsWrite(Settings().Write(setting::kLibrary, path));
    ActivateLibrary(path);
}

void CCallWizardDlg::OnUnlistLibrary()
{
    HideOptionLists();
    const int sel = m_cbLibrary->GetCurSel();
    // The arrow keys change the selection without closing a list: keep the
    // field in step, or the final push would move the selection back.
    m_nLibrary = sel;
    if (sel >= 0) {
        const std::string path = m_cbLibrary->GetLBText(sel);
        if (CurrentPlatform().MessageBox(this, UnlistQuestion(path), MB_YESNO | MB_ICONQUESTION) == IDYES) {
            ReportSettingsWrite(Settings().DeleteKey(setting::kLibrariesSection, path));
            m_cbLibrary->DeleteString(sel);
            if (m_cbLibrary->GetCount() > 0) {
                m_cbLibrary->SetCurSel(0);
                const std::string first = m_cbLibrary->GetLBText(0);
                ReportSettingsWrite(Settings().Write(setting::kLibrary, first));
                ActivateLibrary(first);
            } else {
                // No library is left: nothing of the one removed stays on show.
                ActivateLibrary(std::string());
                m_strSource.clear();
            }
        }
    }
    UpdateData(false);
}

void CCallWizardDlg::OnCloseUpLibrary()
{
    const int sel = m_cbLibrary->GetCurSel();
    if (sel < 0) {
        UpdateData(false);
        return;
    }
    const std::string path = m_cbLibrary->GetLBText(sel);
    ReportSettingsWrite(Settings().Write(setting::kLibrariesSection, path, setting::kLibraryListed));
    ReportSettingsWrite(Settings().Write(setting::kLibrary, path));
    ActivateLibrary(path);
    UpdateData(false);
}

// ---- Prototype scanner ----

int CCallWizardDlg::ScanLibrary(std::string path)
{
    // The file is still the version the list was filled from: scanning it
    // again would list the same, so the list stays.
    if (m_cbFunction->GetCount() > 0 && listedVersion.IsCurrent(path)) {
        const int result = RestoreLastChoice();
        UpdateData(true);
        return result;
    }
    m_cbFunction->ResetContent();
    listedVersion.Forget();
    m_functionNames.reset();
    int result = 0;
    if (!path.empty()) {
        listedVersion.Note(path);
        FileLineReader reader;
        if (!reader.Open(path)) {
            listedVersion.Forget();
            CurrentPlatform().MessageBox(this, UnreadableLibraryMessage(path), MB_OK | MB_ICONINFORMATION);
        } else {
            m_cbFunction->SetItems(CollectPrototypeList(reader, IsHeaderLibrary(path)));
            result = RestoreLastChoice();
        }
    }
    UpdateData(true);
    return result;
}

int CCallWizardDlg::RestoreLastChoice()
{
    const std::string choice = Settings().Read(setting::kChoice);
    const int found = m_cbFunction->FindStringExact(-1, choice);
    if (found >= 0) {
        m_cbFunction->SetCurSel(found);
        return found + 1;
    }
    if (m_cbFunction->GetCount() > 0) {
        m_cbFunction->SetCurSel(0);
        ReportSettingsWrite(Settings().Write(setting::kChoice, m_cbFunction->GetLBText(0)));
        return 1;
    }
    m_cbFunction->SetCurSel(-1);
    return 0;
}

// ---- Source view ----

std::string CCallWizardDlg::FindSourceBlock(std::string sourcePath, std::string prototype)
{
    m_strSource.clear();
    RoutineBlock block = FindRoutineBlock(sourcePath, prototype);
    if (!sourcePath.empty() && !prototype.empty() && !block.sourceFound)
        CurrentPlatform().MessageBox(this, MissingSourceMessage(sourcePath), MB_OK | MB_ICONEXCLAMATION);
    m_strSource = std::move(block.text);
    viewShowsLibrary = false;
    UpdateData(false);
    return block.openedPath;
}

void CCallWizardDlg::OnShowLibrary()
{
    m_strSource.clear();
    const int sel = m_cbLibrary->GetCurSel();
    m_nLibrary = sel; // as in OnUnlistLibrary: the push keeps the selection shown
    if (sel < 0) {
        CurrentPlatform().MessageBox(this, std::string(kNoLibraryToShowMessage), MB_OK | MB_ICONEXCLAMATION);
    } else {
        const std::string path = m_cbLibrary->GetLBText(sel);
        FileLineReader reader;
        if (!reader.Open(path))
            CurrentPlatform().MessageBox(this, ShowUnreadableMessage(path), MB_OK | MB_ICONEXCLAMATION);
        else
            m_strSource = ReadWholeForView(reader, kSourceViewMaxBytes);
        viewShowsLibrary = true;
    }
    UpdateData(false);
}

void CCallWizardDlg::OnCloseUpFunction()
{
    UpdateData(true);
    const int lib = m_cbLibrary->GetCurSel();
    if (lib >= 0) {
        const std::string libraryPath = m_cbLibrary->GetLBText(lib);
        const int fn = m_cbFunction->GetCurSel();
        const std::string prototype = m_cbFunction->GetLBText(fn);
        // The list closed on the routine the panel shows (no pick, or the
        // same one again): the view, the panel and its values stay.
        if (fn >= 0 && PanelShows(libraryPath, prototype)) {
            UpdateData(false);
            return;
        }
        m_strSource.clear();
        if (fn >= 0) {
            ReportSettingsWrite(Settings().Write(setting::kChoice, prototype));
            const std::string opened = FindSourceBlock(SourcePathFor(libraryPath, prototype), prototype);
            BuildParameterPanel(opened, prototype);
            NotePanelRoutine(prototype, opened);
        }
    }
    UpdateData(false);
}

void CCallWizardDlg::OnDropDownFunction()
{
    // The list is filled; the view and the panel keep what they show until
    // a routine is picked.
    const int lib = m_cbLibrary->GetCurSel();
    if (lib >= 0)
        ScanLibrary(m_cbLibrary->GetLBText(lib));
    UpdateData(false);
}

} // namespace tovel
