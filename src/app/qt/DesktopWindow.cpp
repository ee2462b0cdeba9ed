#include "app/qt/DesktopWindow.h"

#include "app/qt/CCallWizardApp.h"
#include "platform/Controls.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "ui/CCallWizardDlg.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLockFile>
#include <QMimeData>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace tovel {

namespace {

// The most windows that look for a slot of their own; more share the last.
constexpr int kWindowSlots = 16;

std::vector<std::string> DroppedFiles(const QMimeData* mime)
{
    std::vector<std::string> files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            files.push_back(ToBytes(QDir::cleanPath(url.toLocalFile())));
    return files;
}

class LibraryDropTarget : public QObject {
public:
    explicit LibraryDropTarget(CCallWizardDlg& dlg) : QObject(&dlg), m_dlg(dlg) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != &m_dlg)
            return false;
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (!DroppedFiles(drag->mimeData()).empty()) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const std::vector<std::string> files = DroppedFiles(drop->mimeData());
            if (files.empty()) {
                drop->ignore();
                return true;
            }
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            m_dlg.activateWindow();
            AddLibraryFiles(m_dlg, files);
            return true;
        }
        default:
            return false;
        }
    }

private:
    CCallWizardDlg& m_dlg;
};

std::vector<ScreenArea> ScreenAreas()
{
    std::vector<ScreenArea> areas;
    const QList<QScreen*> screens = QGuiApplication::screens();
    // The primary screen first: it is the one chosen when nothing else fits.
    QScreen* primary = QGuiApplication::primaryScreen();
    auto add = [&areas](const QScreen* screen) {
        const QRect r = screen->availableGeometry();
        areas.push_back({ToBytes(screen->name()), {r.x(), r.y(), r.width(), r.height()}});
    };
    if (primary)
        add(primary);
    for (const QScreen* screen : screens)
        if (screen != primary)
            add(screen);
    return areas;
}

} // namespace

void AddLibraryFiles(CCallWizardDlg& dlg, const std::vector<std::string>& paths)
{
    dlg.UpdateData(true);
    dlg.HideOptionLists();
    for (const std::string& path : paths) {
        if (!QFileInfo(FromBytes(path)).isFile()) {
            CurrentPlatform().MessageBox(&dlg, "Library " + path + " is not a file that can be added.",
                                         MB_OK | MB_ICONEXCLAMATION);
            continue;
        }
        ComboBox* list = dlg.m_cbLibrary;
        int listed = -1;
        for (int i = 0; i < list->GetCount() && listed < 0; ++i)
            if (list->GetLBText(i) == path)
                listed = i;
        if (listed < 0) {
            dlg.AddLibraryPath(path);
        } else {
            // Already listed: made current again, as when it is chosen in the list.
            list->SetCurSel(listed);
            dlg.m_nLibrary = listed;
            dlg.OnCloseUpLibrary();
        }
    }
    dlg.UpdateData(false);
}

void AcceptLibraryDrops(CCallWizardDlg& dlg)
{
    dlg.setAcceptDrops(true);
    dlg.installEventFilter(new LibraryDropTarget(dlg));
}

WindowSlot::WindowSlot()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    for (int i = 0; i < kWindowSlots; ++i) {
        auto lock = std::make_unique<QLockFile>(folder + QStringLiteral("/tovel-window-%1.lock").arg(i));
        lock->setStaleLockTime(0); // a lock is stale only when its program is gone
        if (lock->tryLock(0)) {
            m_lock = std::move(lock);
            m_index = i;
            return;
        }
    }
    m_index = kWindowSlots - 1;
}

WindowSlot::~WindowSlot() = default;

void PlaceMainWindow(CCallWizardDlg& dlg, const SavedWindow& saved, int slot)
{
    const std::vector<ScreenArea> screens = ScreenAreas();
    if (screens.empty() || (!saved.valid && slot == 0))
        return;
    const int screen = ChooseScreen(screens, saved);
    const WindowBox& area = screens[static_cast<size_t>(screen)].area;
    WindowBox box = saved.box;
    if (!saved.valid) {
        // No saved place: the middle of the screen, the size it was designed at.
        box = {0, 0, dlg.width(), dlg.height()};
        box.x = area.x + (area.width - box.width) / 2;
        box.y = area.y + (area.height - box.height) / 2;
    }
    // A box that lies on the screen stays as it was. Otherwise it is moved
    // onto it, with room for a usual frame (not known before the window is
    // shown), so the title bar and the borders come onto the screen too.
    const int minWidth = dlg.minimumWidth();
    const int minHeight = dlg.minimumHeight();
    if (!(FitToArea(box, area, minWidth, minHeight) == box)) {
        const int frameWidth = 8;
        const int frameHeight = 40;
        box.width += frameWidth;
        box.height += frameHeight;
        box = FitToArea(box, area, minWidth + frameWidth, minHeight + frameHeight);
        box.width -= frameWidth;
        box.height -= frameHeight;
    }
    box = Cascade(box, slot, area);
    dlg.resize(box.width, box.height);
    dlg.move(box.x, box.y);
    if (saved.valid && saved.maximized && slot == 0)
        dlg.setWindowState(dlg.windowState() | Qt::WindowMaximized);
}

SavedWindow MainWindowPlace(const CCallWizardDlg& dlg)
{
    SavedWindow place;
    place.valid = true;
    place.maximized = dlg.isMaximized();
    // A maximised window keeps the place it goes back to.
    const QRect normal = place.maximized ? dlg.normalGeometry() : dlg.geometry();
    const QPoint frame = place.maximized ? normal.topLeft() : dlg.pos();
    // The height kept is the window's for one row of slots: the rows a
    // routine of many parameters added come back with that routine, and are
    // not kept as room the user gave the window.
    const int rowsAdded = place.maximized ? 0 : (dlg.panelRows - 1) * kPanelRowHeight;
    place.box = {frame.x(), frame.y(), normal.width(),
                 std::max(dlg.minimumHeight() - rowsAdded, normal.height() - rowsAdded)};
    if (const QScreen* screen = dlg.screen())
        place.screen = ToBytes(screen->name());
    return place;
}

namespace {

// How long the window must stay where the user put it before it is written.
constexpr int kPlaceSettleMs = 700;

bool SamePlace(const SavedWindow& a, const SavedWindow& b)
{
    return a.box == b.box && a.maximized == b.maximized && a.screen == b.screen;
}

} // namespace

WindowPlaceKeeper::WindowPlaceKeeper(CCallWizardDlg& dlg) : QObject(&dlg), m_dlg(dlg), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setInterval(kPlaceSettleMs);
    connect(m_timer, &QTimer::timeout, this, &WindowPlaceKeeper::Save);
    dlg.installEventFilter(this);
}

void WindowPlaceKeeper::Save()
{
    const SavedWindow now = MainWindowPlace(m_dlg);
    if (SamePlace(now, m_opened))
        return;
    m_opened = now;
    SettingsFile settings = Settings();
    ReportSettingsWrite(WriteSavedWindow(settings, now));
}

void WindowPlaceKeeper::Flush()
{
    if (!m_timer->isActive())
        return;
    m_timer->stop();
    Save();
}

bool WindowPlaceKeeper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &m_dlg)
        return false;
    switch (event->type()) {
    case QEvent::WindowActivate:
        if (!m_active) {
            m_active = true;
            m_opened = MainWindowPlace(m_dlg);
        }
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
        if (m_active && m_dlg.isVisible())
            m_timer->start();
        break;
    default:
        break;
    }
    return false;
}

} // namespace tovel
