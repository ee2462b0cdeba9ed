#include "platform/QtPlatform.h"

#include "platform/Text.h"
#include "platform/ToolProcess.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
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

namespace {

#ifndef _WIN32
// How long the desktop's opener is watched: one that ends with an error
// within this time found no program for the file; later it is the program
// itself that ended.
constexpr int kOpenerWatchMs = 10000;

// Runs the desktop's opener and calls failed when it ends with an error
// while watched. The opener is left running when the program ends: it is
// never killed by Tovel's exit (what it opened must outlive Tovel).
bool StartOpener(const QStringList& args, std::function<void()> failed)
{
    auto* opener = new QProcess(QCoreApplication::instance());
    opener->setProgram(QStringLiteral("xdg-open"));
    opener->setArguments(args);
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setChildProcessModifier([] { ::setpgid(0, 0); });
    opener->start();
    if (!opener->waitForStarted(-1)) {
        delete opener;
        return false;
    }
    auto* watch = new QTimer(opener);
    watch->setSingleShot(true);
    watch->start(kOpenerWatchMs);
    QObject::connect(opener, &QProcess::finished, opener,
                     [opener, watch, failed = std::move(failed)](int code, QProcess::ExitStatus status) {
                         const bool inTime = watch->isActive();
                         opener->deleteLater();
                         if (inTime && (status != QProcess::NormalExit || code != 0) && failed)
                             failed();
                     });
    // Past the watch the opener is the viewer: it is let go, so that Tovel's
    // exit neither waits for it nor ends it.
    QObject::connect(watch, &QTimer::timeout, opener, [opener] {
        opener->disconnect();
        opener->setParent(nullptr);
    });
    return true;
}
#endif

} // namespace

bool QtPlatform::ShellOpen(QWidget*, const std::string& file, const std::string& params, bool hasParams,
                           std::function<void()> failed)
{
    // Launches are handed over and never waited for; no shell is involved,
    // so the parameter text reaches the program as one argument.
    QStringList args;
    if (hasParams)
        args << FromBytes(params);
#ifndef _WIN32
    // The desktop's opener is given the text file as a file:// URL, so no
    // path can reach it as an option.
    if (file == "notepad")
        return StartOpener(QStringList{QString::fromLatin1(QUrl::fromLocalFile(FromBytes(params)).toEncoded())},
                           std::move(failed));
    if (file == "xdg-open")
        return StartOpener(args, std::move(failed));
#else
    (void)failed;
#endif
    return QProcess::startDetached(FromBytes(file), args);
}

int QtPlatform::Ask(QWidget* owner, const std::string& text, const std::vector<std::string>& buttons, int defaultButton,
                    int escapeButton)
{
    QMessageBox box(owner);
    box.setWindowTitle(QString::fromLatin1(kAppName));
    box.setTextFormat(Qt::PlainText);
    box.setText(FromBytes(text));
    box.setIcon(QMessageBox::Question);
    std::vector<QPushButton*> added;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const bool escape = static_cast<int>(i) == escapeButton;
        added.push_back(
            box.addButton(FromBytes(buttons[i]), escape ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
    }
    const auto button = [&](int index) -> QPushButton* {
        return index >= 0 && static_cast<size_t>(index) < added.size() ? added[static_cast<size_t>(index)] : nullptr;
    };
    if (QPushButton* b = button(defaultButton))
        box.setDefaultButton(b);
    if (QPushButton* b = button(escapeButton))
        box.setEscapeButton(b);
    box.exec();
    const auto clicked = std::find(added.begin(), added.end(), box.clickedButton());
    return clicked == added.end() ? escapeButton : static_cast<int>(clicked - added.begin());
}

int QtPlatform::AskToRun(QWidget* owner, const std::string& text, const std::string& program,
                         const std::vector<std::string>& buttons, int defaultButton, int escapeButton)
{
    // A box of its own: a message box wraps its text, and a path of the
    // library's folder could then be broken over lines that read as
    // something else. A one-line field never breaks (it shows line
    // separators as blanks) and holds the whole path to select.
    QDialog box(owner);
    box.setObjectName(QString::fromLatin1(kRunQuestionName));
    box.setWindowTitle(QString::fromLatin1(kAppName));
    auto* layout = new QVBoxLayout(&box);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(&box);
    const int iconSize = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    icon->setPixmap(box.style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, &box).pixmap(iconSize));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
    auto* texts = new QVBoxLayout;
    auto* question = new QLabel(&box);
    question->setTextFormat(Qt::PlainText);
    question->setWordWrap(true);
    question->setText(FromBytes(text));
    texts->addWidget(question);
    auto* path = new QLineEdit(&box);
    path->setObjectName(QStringLiteral("program"));
    path->setReadOnly(true);
    path->setText(FromBytes(program));
    path->setCursorPosition(0);
    path->setToolTip(path->text());
    path->setLayoutDirection(Qt::LeftToRight);
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const int widest = screen ? screen->availableSize().width() * 3 / 4 : 800;
    path->setMinimumWidth(std::min(widest, path->fontMetrics().horizontalAdvance(path->text()) + 16));
    texts->addWidget(path);
    top->addLayout(texts, 1);
    layout->addLayout(top);
    auto* row = new QDialogButtonBox(&box);
    int answer = escapeButton;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const int index = static_cast<int>(i);
        const bool escape = index == escapeButton;
        QPushButton* button =
            row->addButton(FromBytes(buttons[i]), escape ? QDialogButtonBox::RejectRole : QDialogButtonBox::AcceptRole);
        button->setDefault(index == defaultButton);
        QObject::connect(button, &QPushButton::clicked, &box, [&box, &answer, index] {
            answer = index;
            box.accept();
        });
        if (index == defaultButton)
            button->setFocus();
    }
    layout->addWidget(row);
    // Escape and the window's close button leave the escape answer standing.
    box.exec();
    return answer;
}

namespace {

// The override cursor for as long as it lives, taken back early by Release.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { Release(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    void Release()
    {
        if (m_active)
            QApplication::restoreOverrideCursor();
        m_active = false;
    }

private:
    bool m_active = true;
};

constexpr int kToolNoteDelayMs = 1000;

} // namespace

ToolRun QtPlatform::RunTool(QWidget* owner, const std::string& program)
{
    // One program, no arguments and no command interpreter: characters such
    // as ';' or '|' in its name cannot start anything else. It gets no
    // terminal, so a program that waits for input reads end of file at once.
    ToolRun run;
    if (program.empty())
        return run;
    // A bare name would be looked for on the search path: it means the
    // current folder here, as it does for a library given without a folder.
    // The program runs in its own folder, the library's.
    const QFileInfo file(FromBytes(program));
    QProcess process;
    process.setProgram(file.absoluteFilePath());
    process.setWorkingDirectory(file.absolutePath());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::MergedChannels);
    ToolProcessTree tree(process);
    const auto collect = [&] {
        const QByteArray chunk = process.readAll();
        const size_t room = kToolOutputLimit - std::min(kToolOutputLimit, run.output.size());
        const size_t size = static_cast<size_t>(chunk.size());
        run.output.append(chunk.constData(), std::min(room, size));
        if (size > room)
            run.outputCut = true;
    };
    QEventLoop loop;
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &loop, collect);
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    BusyCursor busy;
    process.start();
    if (!process.waitForStarted(-1))
        return run;
    run.started = true;
    tree.Started();

    // The first second: the window keeps painting, input waits.
    QTimer noteTimer;
    noteTimer.setSingleShot(true);
    QObject::connect(&noteTimer, &QTimer::timeout, &loop, &QEventLoop::quit);
    noteTimer.start(kToolNoteDelayMs);
    if (process.state() != QProcess::NotRunning)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    noteTimer.stop();

    if (process.state() != QProcess::NotRunning) {
        // Still running: a modal note with Stop, which Escape also presses.
        QDialog note(owner);
        note.setObjectName(QString::fromLatin1(kToolNoteName));
        note.setWindowTitle(QString::fromLatin1(kAppName));
        auto* layout = new QVBoxLayout(&note);
        const QString name = file.fileName();
        layout->addWidget(new QLabel(QStringLiteral("Running %1...").arg(name), &note));
        auto* buttons = new QDialogButtonBox(&note);
        QPushButton* stop = buttons->addButton(QStringLiteral("&Stop"), QDialogButtonBox::RejectRole);
        stop->setDefault(true);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &note, &QDialog::reject);
        layout->addWidget(buttons);
        QObject::connect(&process, &QProcess::finished, &note, &QDialog::accept);
        busy.Release();
        if (owner)
            owner->setCursor(Qt::WaitCursor);
        // No event is handled between this test and exec, so an end cannot slip past.
        if (process.state() != QProcess::NotRunning && note.exec() != QDialog::Accepted
            && process.state() != QProcess::NotRunning) {
            run.stopped = true;
            tree.EndAll();
        }
        if (owner)
            owner->unsetCursor();
    }
    collect();
    if (!run.stopped) {
        run.crashed = process.exitStatus() != QProcess::NormalExit;
        run.exitCode = run.crashed ? -1 : process.exitCode();
    }
    return run;
}

void QtPlatform::ShowOutput(QWidget* owner, const std::string& title, const std::string& text)
{
    QDialog window(owner);
    window.setObjectName(QString::fromLatin1(kToolOutputName));
    window.setWindowTitle(FromBytes(title));
    auto* layout = new QVBoxLayout(&window);
    auto* view = new QPlainTextEdit(&window);
    view->setReadOnly(true);
    view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setPlainText(FromBytes(text));
    layout->addWidget(view);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &window);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Close"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &window, &QDialog::accept);
    layout->addWidget(buttons);
    // About 80 columns and 20 rows, never larger than the screen.
    const QFontMetrics metrics(view->font());
    QSize size(metrics.horizontalAdvance(QLatin1Char('0')) * 84, metrics.lineSpacing() * 22);
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    window.resize(size);
    view->setFocus();
    window.exec();
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
