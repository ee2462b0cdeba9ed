#include "help/qt/HelpFallback.h"

#include "help/HelpLaunch.h"
#include "platform/Platform.h"
#include "platform/Text.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace tovel {

namespace {

// The introduction is a page of text; a file far larger is not it.
constexpr qint64 kIntroLimit = 4 * 1024 * 1024;

} // namespace

void ShowIntroWindow(QWidget* owner, const std::string& path)
{
    if (owner) {
        if (auto* open = owner->findChild<QDialog*>(QString::fromLatin1(kIntroWindowName))) {
            open->show();
            open->raise();
            open->activateWindow();
            return;
        }
    }
    QFile file(FromBytes(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kIntroLimit) {
        CurrentPlatform().MessageBox(owner, IntroUnreadableMessage(path), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const QByteArray bytes = file.read(kIntroLimit);

    // A window of its own beside the main window, which stays usable.
    auto* window = new QDialog(owner, Qt::Window);
    window->setObjectName(QString::fromLatin1(kIntroWindowName));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::NonModal);
    window->setWindowTitle(QStringLiteral("Tovel.txt - Tovel"));
    auto* layout = new QVBoxLayout(window);
    auto* view = new QPlainTextEdit(window);
    view->setReadOnly(true);
    view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setPlainText(FromBytes(std::string(bytes.constData(), static_cast<size_t>(bytes.size()))));
    layout->addWidget(view);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, window);
    QObject::connect(buttons, &QDialogButtonBox::rejected, window, &QDialog::close);
    layout->addWidget(buttons);
    const QFontMetrics metrics(view->font());
    QSize size(metrics.horizontalAdvance(QLatin1Char('0')) * 84, metrics.lineSpacing() * 30);
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    window->resize(size);
    view->setFocus();
    window->show();
}

void HelpLaunchFailed(QWidget* owner, const HelpLaunch& launch, const std::string& handedOver)
{
    if (launch.file == kNotepad) {
        ShowIntroWindow(owner, launch.params);
        return;
    }
    CurrentPlatform().MessageBox(owner, HelpLaunchFailedMessage(launch.file, handedOver), MB_OK | MB_ICONEXCLAMATION);
}

} // namespace tovel
