// Tovel: from a microcontroller library to a C call on the clipboard.
#include "app/qt/CCallWizardApp.h"
#include "platform/Text.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovel"));
    // Tovel reads no command-line arguments of its own.
    tovel::theApp().InitInstance(tovel::ToBytes(QApplication::applicationFilePath()));
    // The copied call stays available to a clipboard manager after exit.
    return 0;
}
