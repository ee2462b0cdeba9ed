// The yardstick for Tovel's start-up: a Qt application that shows one empty
// QDialog and, like Tovel under TOVEL_QUIT_AFTER_SHOW=1, ends once that
// dialog has been shown and painted.
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>

namespace {

class QuitAfterFirstPaint : public QObject {
public:
    explicit QuitAfterFirstPaint(QObject* dialog) : m_dialog(dialog) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched == m_dialog) {
            QCoreApplication::instance()->removeEventFilter(this);
            QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
        }
        return false;
    }

private:
    QObject* m_dialog;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Bare dialog"));
    QuitAfterFirstPaint quit(&dialog);
    app.installEventFilter(&quit);
    dialog.exec();
    return 0;
}
