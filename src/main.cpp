// Tovel: from a microcontroller library to a C call on the clipboard.
#include "app/qt/CCallWizardApp.h"
#include "common/Version.h"
#include "platform/Text.h"
#include "ui/CCallWizardDlg.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

// TOVEL_QUIT_AFTER_SHOW=1 makes the program end by itself once its main
// window has been shown and painted for the first time, so that start-up can
// be timed from the command line (bench/compare.sh does). Nothing else changes.
class QuitAfterFirstPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && qobject_cast<tovel::CCallWizardDlg*>(watched)) {
            QCoreApplication::instance()->removeEventFilter(this);
            // Queued, so the paint being delivered now completes first.
            QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
        }
        return false;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    // Answered before the window system is touched, so it works without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Tovel %s\n", tovel::kVersion);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovel"));
    if (qEnvironmentVariable("TOVEL_QUIT_AFTER_SHOW") == QLatin1String("1"))
        app.installEventFilter(new QuitAfterFirstPaint(&app));
    // Besides --version, Tovel reads no command-line arguments of its own.
    tovel::theApp().InitInstance(tovel::ToBytes(QApplication::applicationFilePath()));
    // The copied call stays available to a clipboard manager after exit.
    return 0;
}
