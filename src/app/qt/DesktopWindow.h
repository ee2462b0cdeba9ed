// The main window on the desktop: library files dropped on it or named on
// the command line, and the place it opens at and leaves behind.
#pragma once

#include "app/WindowPlacement.h"

#include <QObject>
#include <memory>
#include <string>
#include <vector>

class QLockFile;
class QTimer;

namespace tovel {

class CCallWizardDlg;

// Adds each file as Add would (a file already listed is made current
// again); the last one ends current. A name that is no file is reported.
void AddLibraryFiles(CCallWizardDlg& dlg, const std::vector<std::string>& paths);

// Files dropped on the window are added with AddLibraryFiles.
void AcceptLibraryDrops(CCallWizardDlg& dlg);

// The place of this window among the program's windows open at once: the
// first takes slot 0, the next slot 1, and so on. Each slot is a lock file
// in the user's runtime folder, held as long as this object lives and
// freed by the system when the program dies.
class WindowSlot {
public:
    WindowSlot();
    ~WindowSlot();
    WindowSlot(const WindowSlot&) = delete;
    WindowSlot& operator=(const WindowSlot&) = delete;
    int Index() const { return m_index; }

private:
    std::unique_ptr<QLockFile> m_lock;
    int m_index = 0;
};

// Puts the window, not yet shown, at its saved place on the screen it was
// on (or the one that exists), moved aside for slot; without a saved place
// the first window is left to the window manager.
void PlaceMainWindow(CCallWizardDlg& dlg, const SavedWindow& saved, int slot);

// The window's place now, as it is to be saved.
SavedWindow MainWindowPlace(const CCallWizardDlg& dlg);

// Writes the window's place to the settings a moment after the user moved,
// resized, maximised or restored it (what the window manager does before
// the window is first active is no change of the user's). A change still
// waiting when the window closes is written by Flush.
class WindowPlaceKeeper : public QObject {
public:
    explicit WindowPlaceKeeper(CCallWizardDlg& dlg);
    void Flush();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Save();

    CCallWizardDlg& m_dlg;
    QTimer* m_timer;
    bool m_active = false;
    SavedWindow m_opened;
};

} // namespace tovel
