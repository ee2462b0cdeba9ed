// The main dialog: the library list, the function list, the source view,
// the parameter panel and the commands around them. Its handlers live in
// the files of the subsystem they belong to.
#pragma once

#include "composer/PanelLayout.h"
#include "library/ListedVersion.h"
#include "library/RoutineSearch.h"
#include "platform/Dialog.h"
#include "ui/MainWindowLayout.h"

#include <QFont>
#include <QIcon>
#include <array>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QFileSystemWatcher;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QResizeEvent;

namespace tovel {

class ByteTextView;
class ComboBox;
class ListBox;

class CCallWizardDlg : public CDialog {
    Q_OBJECT
public:
    explicit CCallWizardDlg(QWidget* parent = nullptr);
    ~CCallWizardDlg() override;

    // Fields (slot arrays are used from index 1 to kMaxSlots).
    int m_nParams = 0;
    int m_nToolLaunched = 0;
    std::array<std::string, kMaxSlots + 1> m_strHint;
    std::string m_strLibPath;
    // The library whose routine the panel shows; its folder holds the tool programs.
    std::string routineLibraryPath;
    // Folders whose programs the user let run in this run of the program.
    std::set<std::string> m_trustedFoldersThisRun;
    QFont m_font;

    QGroupBox* m_grpParameters = nullptr;
    QPushButton* m_btnExit = nullptr;
    std::array<ListBox*, kMaxSlots + 1> m_lbParam{};
    std::array<QLabel*, kMaxSlots + 1> m_stParmn{};
    std::array<QLabel*, 5> m_stSep{}; // the separators before slots 2..4, then ")"
    std::array<QLineEdit*, kMaxSlots + 1> m_edParam{};
    std::array<ComboBox*, kMaxSlots + 1> m_cbParam{};
    ByteTextView* m_edSource = nullptr;
    ComboBox* m_cbFunction = nullptr;
    QPushButton* m_btnAdd = nullptr;
    ComboBox* m_cbLibrary = nullptr;
    QPushButton* m_btnTovel = nullptr;

    int m_nFunction = -1;
    int m_nLibrary = -1;
    SharedText m_strSource;
    std::array<std::string, kMaxSlots + 1> m_strParam;
    std::array<std::string, kMaxSlots + 1> m_strParmn;
    std::string m_strType;
    std::string m_strFunction;
    QIcon m_hIcon;
    // Names of the parameters past the last slot: the call keeps them as written.
    std::vector<std::string> extraParamNames;
    // The option-list selection when each list was opened.
    std::array<std::vector<int>, kMaxSlots + 1> optionSelectionAtOpen;
    // The routine names of the function list, found at the first keystroke
    // after each fill.
    std::optional<RoutineNameIndex> m_functionNames;
    // The library version the function list was filled from; opening the
    // list again keeps it while the file stays that version.
    ListedVersion listedVersion;
    // The slot whose option list Escape closed: its edit takes the focus
    // back without opening the list again.
    int optionListClosedByEscape = 0;
    // The slot whose range test waits for Copy: the focus went from its edit
    // to the Copy button, whose click a message box would swallow.
    int rangeTestAtCopy = 0;

    // The routine the panel shows (empty when none) and the file its block
    // and hints came from.
    std::string panelPrototype;
    std::string panelSourcePath;
    // The source view shows the whole library, not the panel routine's block.
    bool viewShowsLibrary = false;
    // The current library and the panel's source file, watched for outside edits.
    QFileSystemWatcher* fileWatcher = nullptr;
    QTimer* outsideEditTimer = nullptr;
    QTimer* copiedSignTimer = nullptr;

    // Keeping the panel true to the current library and its file.
    void EmptyParameterPanel();
    bool PanelShows(const std::string& libraryPath, const std::string& prototype) const;
    void NotePanelRoutine(const std::string& prototype, const std::string& sourcePath);
    void ShowSlotHints();
    void WatchCurrentFiles();
    void RefreshAfterOutsideEdit();
    void ShowCopiedSign();

    // Window-level handlers.
    void OnSysCommand(int id);
    // Lets the window grow past its designed size (MainWindowLayout.cpp).
    void AllowResizing();
    void LayOutControls();
    void HideOptionLists();

    // Library list.
    int LoadLibraryList();
    void ActivateLibrary(std::string path);
    void OnAddLibrary();
    // What Add does with the picked file: list it, make it current, scan it.
    void AddLibraryPath(const std::string& path);
    void OnUnlistLibrary();
    void OnCloseUpLibrary();

    // Prototype scanner.
    int ScanLibrary(std::string path);
    int ScanLibraryWithoutList(const std::string& path);
    int RestoreLastChoice();
    // Tells the user that the library, current now, lists no routine.
    void ReportNoRoutines(const std::string& path);

    // Source view.
    std::string FindSourceBlock(std::string sourcePath, std::string prototype);
    void OnShowLibrary();
    void OnCloseUpFunction();
    void OnDropDownFunction();

    // Parameter panel and value editors.
    void BuildParameterPanel(std::string sourcePath, std::string prototype);
    void OnSetFocusParamEdit(int k);
    void OnKillFocusParamEdit(int k);
    void OnKillFocusOptionList(int k);
    void OnSetFocusParamCombo(int k);
    void HideOtherOptionLists(int k);
    void RunToolProgram(int k);
    // The consent asked before a program of an untrusted folder runs on
    // behalf of who (a library's file name, or help): true when it may run.
    bool AgreedToRun(const std::string& who, const std::string& program);
    // Makes room for rows of slots: the panel's group, the controls under it
    // and the window grow by a row height for every row past the first.
    void FitPanelRows(int rows);
    int panelRows = 1;

    // Call text and clipboard.
    std::string ResolveSlotValue(int k);
    void CopyTextToClipboard(const std::string& text);
    void OnCopy();
    void OnInc();
    void RunRangeTestBeforeCopy();

    // Help and setup.
    void OnHelpButton();
    bool OnHelpInfo() override;
    void OnSetup();

    bool OnInitDialog() override;

protected:
    void DoDataExchange(DataExchange& dx) override;
    void OnClose() override;
    void OnContextMenu(const QPoint& globalPos) override;
    bool OnEscapeKey(int id) override;
    QRect PlacedRect(int id, const QRect& designed) const override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ParkOptionList(int k);
    bool RefreshMustWait() const;
    void RebuildPanelKeepingValues(const std::string& libraryPath, const std::string& prototype);
    void FitOptionList(ListBox* list, int id);
    std::optional<MainWindowLayout> m_layout;
};

// The main dialog's template, for the tests that check its controls.
const DialogTemplate& MainDialogTemplateForTest();

} // namespace tovel
