// Times what the user waits for when opening the function list of a large
// library, offscreen: from the drop-down notification (the rescan, the fill
// of the combo, the first routine's block and panel) until the popup list has
// been painted, once with the library file just touched (so that it is
// scanned again) and once with it unchanged since the last opening (so that
// the list is kept). In the same run, interleaved, a stock QComboBox of the same
// size and font is given the same texts (addItems + showPopup, until its
// popup has been painted). Then the Show button: from its click (the whole
// library read again and handed to the source view) until the view has
// painted, the view holding a routine's block before each click. Prints the
// medians, one "key value" a line.
//   tovel_dialog_bench LIBRARY [RUNS]
#include "app/SettingsFile.h"
#include "app/qt/CCallWizardApp.h"
#include "platform/ByteTextView.h"
#include "platform/Controls.h"
#include "platform/FakePlatform.h"
#include "platform/Text.h"
#include "ui/CCallWizardDlg.h"
#include "ui/ControlIds.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

// Notes when a widget receives its next paint event.
class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Delivers events until the flag is set, or for at most 10 s.
bool ProcessUntil(const bool& flag)
{
    QElapsedTimer limit;
    limit.start();
    while (!flag && limit.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return flag;
}

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// Milliseconds from calling open until the combo's popup list has painted.
template <typename Open>
double TimeUntilPopupPainted(QComboBox& combo, Open open)
{
    PaintWatch watch;
    combo.view()->viewport()->installEventFilter(&watch);
    QElapsedTimer timer;
    timer.start();
    open();
    const bool painted = ProcessUntil(watch.painted);
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    combo.view()->viewport()->removeEventFilter(&watch);
    if (!painted) {
        std::fprintf(stderr, "the popup list was not painted\n");
        std::exit(1);
    }
    return ms;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

long PeakResidentKiB()
{
#ifndef _WIN32
    struct rusage usage {};
    if (getrusage(RUSAGE_SELF, &usage) == 0)
        return usage.ru_maxrss;
#endif
    return -1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s LIBRARY [RUNS]\n", argv[0]);
        return 2;
    }
    const std::string library = argv[1];
    const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 7;

    // A program folder of its own, the library registered and current; the
    // recording platform keeps any message box from blocking the run.
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const std::string appPath = tovel::ToBytes(dir.path()) + "/";
    tovel::theApp().SetAppPath(appPath);
    tovel::FakePlatform platform;
    tovel::SettingsFile ini(appPath + "Tovel.ini");
    if (!ini.Write("Libraries", library, "Yes") || !ini.Write("Last", "Library", library))
        return 1;

    tovel::CCallWizardDlg dlg;
    dlg.CreateAndInitialize();
    dlg.show();
    Settle();
    tovel::ComboBox& functions = *dlg.m_cbFunction;

    // The rescan and fill end inside the drop-down notification; this
    // connection, made after the dialog's own, marks that moment.
    QElapsedTimer handlerTimer;
    double handlerMs = 0;
    QObject::connect(&functions, &tovel::ComboBox::dropDown, &functions,
                     [&] { handlerMs = static_cast<double>(handlerTimer.nsecsElapsed()) / 1e6; });

    auto openTovel = [&] {
        const double ms = TimeUntilPopupPainted(functions, [&] {
            handlerTimer.start();
            functions.showPopup();
        });
        functions.hidePopup();
        Settle();
        return ms;
    };

    // The first opening fills the list; its texts are what the stock combo gets.
    openTovel();
    if (!platform.messages.empty()) {
        std::fprintf(stderr, "the dialog reported: %s\n", platform.messages.front().text.c_str());
        return 1;
    }
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(functions.Items().size()));
    for (const std::string_view item : functions.Items())
        texts << tovel::FromBytes(item);
    if (texts.isEmpty()) {
        std::fprintf(stderr, "the library lists no function\n");
        return 1;
    }

    QWidget host;
    host.resize(dlg.size());
    host.show();
    Settle();
    auto openStock = [&] {
        QComboBox stock(&host);
        stock.setFont(functions.font());
        stock.setGeometry(functions.geometry());
        stock.show();
        Settle();
        const double ms = TimeUntilPopupPainted(stock, [&] {
            stock.addItems(texts);
            stock.showPopup();
        });
        stock.hidePopup();
        Settle();
        return ms;
    };

    // A file changed a moment ago is always scanned again.
    auto touch = [&] {
        std::error_code error;
        std::filesystem::last_write_time(std::filesystem::path(library), std::filesystem::file_time_type::clock::now(),
                                         error);
        if (error) {
            std::fprintf(stderr, "cannot touch %s: %s\n", library.c_str(), error.message().c_str());
            std::exit(1);
        }
    };
    std::vector<double> tovelMs, handlerTimes, stockMs, keptMs;
    for (int r = 0; r < runs; ++r) {
        touch();
        tovelMs.push_back(openTovel());
        handlerTimes.push_back(handlerMs);
        stockMs.push_back(openStock());
    }

    // Unchanged since it was last listed: the list is kept. The file must
    // have settled first (two seconds after its last change).
    touch();
    openTovel();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 2500)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    openTovel();
    for (int r = 0; r < runs; ++r)
        keptMs.push_back(openTovel());

    // One keystroke in the open list's filter until the list is painted
    // again: a letter that many names hold, then one more that leaves none.
    std::vector<double> filterManyMs, filterNoneMs;
    for (int r = 0; r < runs; ++r) {
        functions.showPopup();
        Settle();
        for (auto* times : {&filterManyMs, &filterNoneMs}) {
            const bool many = times == &filterManyMs;
            QKeyEvent key(QEvent::KeyPress, many ? Qt::Key_E : Qt::Key_Z, Qt::NoModifier,
                          many ? QStringLiteral("e") : QStringLiteral("z"));
            times->push_back(
                TimeUntilPopupPainted(functions, [&] { QApplication::sendEvent(functions.view(), &key); }));
        }
        functions.hidePopup();
        Settle();
    }

    // Show: the view holds something else before each click, so that the
    // click changes what it shows.
    auto* showButton = qobject_cast<QPushButton*>(dlg.GetDlgItem(tovel::IDC_SHOW));
    QWidget* viewport = dlg.m_edSource->viewport();
    std::vector<double> showMs;
    size_t shownBytes = 0;
    for (int r = 0; r < runs; ++r) {
        dlg.m_strSource = "; a routine's block\r\n";
        dlg.UpdateData(false);
        Settle();
        PaintWatch watch;
        viewport->installEventFilter(&watch);
        QElapsedTimer timer;
        timer.start();
        showButton->click();
        const bool painted = ProcessUntil(watch.painted);
        showMs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        viewport->removeEventFilter(&watch);
        shownBytes = dlg.m_strSource.size();
        if (!painted) {
            std::fprintf(stderr, "the source view was not painted\n");
            return 1;
        }
    }

    const double tovelMedian = Median(tovelMs);
    const double stockMedian = Median(stockMs);
    std::printf("items %lld\n", static_cast<long long>(texts.size()));
    std::printf("runs %d\n", runs);
    std::printf("open_list_tovel_ms %.1f\n", tovelMedian);
    std::printf("open_list_tovel_handler_ms %.1f\n", Median(handlerTimes));
    std::printf("open_list_stock_ms %.1f\n", stockMedian);
    std::printf("open_list_ratio %.2f\n", tovelMedian / stockMedian);
    std::printf("open_list_kept_ms %.1f\n", Median(keptMs));
    std::printf("filter_key_many_ms %.1f\n", Median(filterManyMs));
    std::printf("filter_key_none_ms %.1f\n", Median(filterNoneMs));
    std::printf("show_ms %.1f\n", Median(showMs));
    std::printf("show_bytes %zu\n", shownBytes);
    std::printf("peak_rss_kib %ld\n", PeakResidentKiB());
    return 0;
}
