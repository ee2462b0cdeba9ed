#include "platform/QtPlatform.h"

#include "platform/Text.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <utility>

#include <sys/stat.h>

namespace tovel {

namespace {

QtPlatform& RealPlatform()
{
    static QtPlatform platform;
    return platform;
}

Platform* g_current = nullptr;

} // namespace

QString QtNameFilter(const FileFilter& filter)
{
    // Qt reads the patterns from the parentheses at the end of a filter's
    // text. "*.*" means every file, as it does on Windows; elsewhere a name
    // need not hold a dot, so the pattern becomes "*".
    QString pattern = FromBytes(filter.pattern);
#ifndef _WIN32
    if (pattern == QStringLiteral("*.*"))
        pattern = QStringLiteral("*");
#endif
    QString description = FromBytes(filter.description);
    const qsizetype open = description.lastIndexOf(QLatin1Char('('));
    if (open >= 0 && description.endsWith(QLatin1Char(')')))
        description.truncate(open);
    return description + QLatin1Char('(') + pattern + QLatin1Char(')');
}

namespace {

// Keeps a button's caption: Qt's file dialog renames its accept button to
// "Open" whenever a folder is selected, and back only in some cases.
class KeepCaption : public QObject {
public:
    KeepCaption(QPushButton* button, QString caption) : QObject(button), m_caption(std::move(caption))
    {
        button->installEventFilter(this);
        button->setText(m_caption);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint || event->type() == QEvent::Show) {
            auto* button = static_cast<QPushButton*>(watched);
            if (button->text() != m_caption)
                button->setText(m_caption);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QString m_caption;
};

// A message box over a window that is not on screen yet (start-up reports
// come before the main window shows) would sit at the screen's corner: it
// goes where that window will appear, the middle of its screen.
void PlaceOverOwner(QMessageBox& box, QWidget* owner)
{
    QWidget* window = owner ? owner->window() : nullptr;
    if (window && window->isVisible())
        return; // the dialog centres itself on its visible parent
    QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    box.adjustSize();
    const QRect area = screen->availableGeometry();
    box.move(area.center() - QPoint(box.width() / 2, box.height() / 2));
}

} // namespace

Platform& CurrentPlatform()
{
    return g_current ? *g_current : RealPlatform();
}

void SetCurrentPlatform(Platform* platform)
{
    g_current = platform;
}

int QtPlatform::MessageBox(QWidget* owner, const std::string& text, unsigned style)
{
    QMessageBox box(owner);
    box.setWindowTitle(QString::fromLatin1(kAppName));
    box.setTextFormat(Qt::PlainText);
    box.setText(FromBytes(text));
    switch (style & 0xF0) {
    case MB_ICONHAND:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    if ((style & 0xF) == MB_YESNO) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    if (style & MB_SYSTEMMODAL)
        box.setWindowModality(Qt::ApplicationModal);
    PlaceOverOwner(box, owner);
    const int answer = box.exec();
    if (answer == QMessageBox::Yes)
        return IDYES;
    if (answer == QMessageBox::No)
        return IDNO;
    return IDOK;
}

void QtPlatform::ShellOpen(QWidget*, const std::string& file, const std::string& params, bool hasParams)
{
    // Launches are handed over and never waited for; no shell is involved,
    // so the parameter text reaches the program as one argument.
#ifndef _WIN32
    if (file == "notepad") {
        QDesktopServices::openUrl(QUrl::fromLocalFile(FromBytes(params)));
        return;
    }
#endif
    QStringList args;
    if (hasParams)
        args << FromBytes(params);
    QProcess::startDetached(FromBytes(file), args);
}

int QtPlatform::RunAndWait(const std::string& program)
{
    // One program, no arguments and no command interpreter: characters such
    // as ';' or '|' in its name cannot start anything else.
    QProcess process;
    process.setProgram(FromBytes(program));
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    if (!process.waitForStarted(-1))
        return -1;
    process.waitForFinished(-1);
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool QtPlatform::SetClipboardText(const std::string& bytes)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(FromBytes(bytes));
    return true;
}

std::optional<std::string> QtPlatform::PickFile(QWidget* owner, const FilePickerRequest& request)
{
    // Qt's own dialog, so the relabelled file-name label and accept button show.
    QFileDialog dialog(owner, FromBytes(request.title));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    QStringList filters;
    for (const auto& filter : request.filters)
        filters << QtNameFilter(filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.first());
    }
    if (!request.initialFolder.empty())
        dialog.setDirectory(FromBytes(request.initialFolder));
    if (!request.initialFileName.empty())
        dialog.selectFile(FromBytes(request.initialFileName));
    dialog.setLabelText(QFileDialog::FileName, FromBytes(request.fileNameLabel));
    dialog.setLabelText(QFileDialog::Accept, FromBytes(request.acceptLabel));
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>())
        for (QAbstractButton* button : buttons->buttons())
            if (auto* push = qobject_cast<QPushButton*>(button);
                push && buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
                new KeepCaption(push, FromBytes(request.acceptLabel));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return ToBytes(dialog.selectedFiles().constFirst());
}

bool QtPlatform::FileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

} // namespace tovel
