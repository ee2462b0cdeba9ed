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

namespace tovel {

namespace {

constexpr size_t kLibraryCapacity = 1000;
constexpr size_t kChoiceCapacity = 10000;

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
    const std::vector<std::string> names = settings.KeyNames("Libraries");
    std::vector<std::string> kept;
    kept.reserve(names.size());
    for (const std::string& name : names) {
        if (!CurrentPlatform().FileExists(name))
            CurrentPlatform().MessageBox(this, MissingLibraryMessage(name), MB_OK | MB_ICONHAND);
        else
            kept.push_back(name);
    }
    m_cbLibrary->SetItems(std::move(kept));
    // The section is written back to hold exactly the listed libraries, in
    // the list's order; when it already does, the file is left alone.
    if (m_cbLibrary->Items() != names) {
        settings.DeleteSection("Libraries");
        for (const std::string& item : m_cbLibrary->Items())
            settings.Write("Libraries", item, "Yes");
    }
    const std::string last = settings.Read("Last", "Library", "", kLibraryCapacity);
    const CurrentLibraryChoice choice = ChooseCurrentLibrary(m_cbLibrary->Items(), last);
    m_cbLibrary->SetCurSel(choice.index);
    if (choice.index >= 0 && !choice.isLast)
        settings.Write("Last", "Library", m_cbLibrary->GetLBText(choice.index));
    return choice.index + 1;
}

void CCallWizardDlg::ActivateLibrary(std::string path)
{
    if (ScanLibrary(path) != 0) {
        // The list is emptied before the whole text is read, not after: the
        // user sees the same, and a large library's list and text are never
        // held at the same time.
        m_cbFunction->ResetContent();
        OnShowLibrary();
    }
}

void CCallWizardDlg::OnAddLibrary()
{
    UpdateData(true);
    HideOptionLists();
    const int sel = m_cbLibrary->GetCurSel();
    const std::string start = AddStartPath(m_cbLibrary->GetLBText(sel), sel >= 0,
                                           Settings().Read("Last", "Library", "", kLibraryCapacity), AppPath());
    const PickerStart picker = AddPickerStart(start);
    CLibBrowse browse(this);
    browse.m_ofn.title = "Select Library Source";
    browse.m_ofn.filters = {{" Header(*.h)", "*.h"}, {" Library(*.s)", "*.s"}, {" All(*.*)", "*.*"}};
    browse.m_ofn.initialFolder = picker.folder;
    browse.m_ofn.initialFileName = picker.fileName;
    if (browse.DoModal() == IDOK) {
        const std::string path = browse.GetPathName();
        if (!IsRegistrableLibraryPath(path)) {
            CurrentPlatform().MessageBox(this, UnlistableLibraryMessage(path), MB_OK | MB_ICONEXCLAMATION);
        } else {
            const int pos = m_cbLibrary->AddString(path);
            m_cbLibrary->SetCurSel(pos);
            Settings().Write("Libraries", path, "Yes");
            Settings().Write("Last", "Library", path);
            ActivateLibrary(path);
        }
    }
    UpdateData(false);
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
            Settings().DeleteKey("Libraries", path);
            m_cbLibrary->DeleteString(sel);
            if (m_cbLibrary->GetCount() > 0) {
                m_cbLibrary->SetCurSel(0);
                const std::string first = m_cbLibrary->GetLBText(0);
                Settings().Write("Last", "Library", first);
                ActivateLibrary(first);
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
    Settings().Write("Libraries", path, "Yes");
    Settings().Write("Last", "Library", path);
    ActivateLibrary(path);
    UpdateData(false);
}

// ---- Prototype scanner ----

int CCallWizardDlg::ScanLibrary(std::string path)
{
    m_cbFunction->ResetContent();
    int result = 0;
    if (!path.empty()) {
        FileLineReader reader;
        if (!reader.Open(path)) {
            CurrentPlatform().MessageBox(this, UnreadableLibraryMessage(path), MB_OK | MB_ICONINFORMATION);
        } else {
            m_cbFunction->SetItems(CollectPrototypes(reader, IsHeaderLibrary(path)));
            m_functionNames = RoutineNameIndex(m_cbFunction->Items());
            result = RestoreLastChoice();
        }
    }
    UpdateData(true);
    return result;
}

int CCallWizardDlg::RestoreLastChoice()
{
    const std::string choice = Settings().Read("Last", "Choice", "", kChoiceCapacity);
    const int found = m_cbFunction->FindStringExact(-1, choice);
    if (found >= 0) {
        m_cbFunction->SetCurSel(found);
        return found + 1;
    }
    if (m_cbFunction->GetCount() > 0) {
        m_cbFunction->SetCurSel(0);
        Settings().Write("Last", "Choice", m_cbFunction->GetLBText(0));
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
    }
    UpdateData(false);
}

void CCallWizardDlg::OnCloseUpFunction()
{
    UpdateData(true);
    const int lib = m_cbLibrary->GetCurSel();
    if (lib >= 0) {
        const std::string libraryPath = m_cbLibrary->GetLBText(lib);
        m_strSource.clear();
        const int fn = m_cbFunction->GetCurSel();
        if (fn >= 0) {
            const std::string prototype = m_cbFunction->GetLBText(fn);
            Settings().Write("Last", "Choice", prototype);
            const std::string opened = FindSourceBlock(SourcePathFor(libraryPath, prototype), prototype);
            BuildParameterPanel(opened, prototype);
        }
    }
    UpdateData(false);
}

void CCallWizardDlg::OnDropDownFunction()
{
    const int lib = m_cbLibrary->GetCurSel();
    if (lib >= 0) {
        const std::string libraryPath = m_cbLibrary->GetLBText(lib);
        if (ScanLibrary(libraryPath) != 0) {
            const std::string first = m_cbFunction->GetLBText(0);
            const std::string opened = FindSourceBlock(SourcePathFor(libraryPath, first), first);
            BuildParameterPanel(opened, first);
        }
    }
    UpdateData(false);
}

} // namespace tovel
