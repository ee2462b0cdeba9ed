// Tovel: from a microcontroller library to a C call on the clipboard.
#include "app/CommandLine.h"
#include "app/qt/CCallWizardApp.h"
#include "common/Version.h"
#include "platform/Text.h"
#include "ui/CCallWizardDlg.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

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
    // --help and --version are answered before the window system is
    // touched, so they work without a display.
    const std::vector<std::string> given(argv + (argc > 0 ? 1 : 0), argv + argc);
    const tovel::ProgramArguments early = tovel::ParseProgramArguments(given);
    if (early.action == tovel::ProgramArguments::Action::Help) {
        std::fputs(tovel::ProgramUsage().c_str(), stdout);
        return 0;
    }
    if (early.action == tovel::ProgramArguments::Action::Version) {
        std::printf("Tovel %s\n", tovel::kVersion);
        return 0;
    }
    // Qt's own options begin with one dash; a word with two that is not
    // Tovel's is no option of either.
    if (early.action == tovel::ProgramArguments::Action::Error && early.badOption.rfind("--", 0) == 0) {
        std::fputs(tovel::ProgramArgumentError(early.error).c_str(), stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovel"));
    // What is left once Qt has taken its own options (-platform, -style, ...)
    // out of argv, as bytes: a file name need not be valid text.
    const std::vector<std::string> rest(argv + (argc > 0 ? 1 : 0), argv + argc);
    const tovel::ProgramArguments parsed = tovel::ParseProgramArguments(rest);
    if (parsed.action == tovel::ProgramArguments::Action::Error) {
        std::fputs(tovel::ProgramArgumentError(parsed.error).c_str(), stderr);
        return 2;
    }
    if (qEnvironmentVariable("TOVEL_QUIT_AFTER_SHOW") == QLatin1String("1"))
        app.installEventFilter(new QuitAfterFirstPaint(&app));
    tovel::theApp().InitInstance(tovel::ToBytes(QApplication::applicationFilePath()), parsed.files);
    // The copied call stays available to a clipboard manager after exit.
    return 0;
}
