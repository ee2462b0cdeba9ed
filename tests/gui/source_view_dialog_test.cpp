// The source view as the user works it: scrolling, selecting, copying and
// finding in the main dialog's view of a library or a routine's block.
#include "GuiFixture.h"

#include "platform/ByteTextView.h"
#include "ui/ControlIds.h"

#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QWheelEvent>

#include <utility>

namespace tovel::testing {
namespace {

const std::string kBlink = "; C Function prototype: void Blink(char led, int count)\r\n"
                           ";  led:{0,1,2}\r\n"
                           ";\tcount:{1-99}\r\n"
                           "\tNAME\tBlink\r\n"
                           "\tDB\t'\xC3\xA9',0xFF\xFF ; Divisor\r\n"
                           "\tMOV\tR8,W4  ; divisor again\r\n"
                           "\tENDMOD\r\n";

class SourceViewDialogTest : public GuiTest {
protected:
    ByteTextView* View() const { return m_dlg->m_edSource; }

    void OpenOn(const std::string& text)
    {
        RegisterLibrary(MakeLibrary("lib.s79", text));
        OpenDialog();
        ShowActive();
    }

    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, QWidget* to = nullptr)
    {
        QTest::keyClick(to ? to : View(), static_cast<Qt::Key>(key), mods);
    }
};

TEST_F(SourceViewDialogTest, AWholeLibraryPastTheOldCapIsShownAndScrolls)
{
    // Over 32 MB of lines: the view holds them all, shares the field's
    // buffer, and the keys, the wheel and the bars reach every line.
    std::string text = kBlink;
    const std::string filler = "\tMOV\tR0,#0  ; filler line of the test library\r\n";
    const size_t fillers = (33u << 20) / filler.size();
    text.reserve(text.size() + fillers * filler.size() + 64);
    for (size_t i = 0; i < fillers; ++i)
        text += filler;
    const std::string last = "; the last line \xC3\xA9\xFF" + std::string(300, '=');
    text += last;
    OpenOn(text);

    ASSERT_GT(m_dlg->m_strSource.size(), size_t{33u << 20});
    EXPECT_EQ(View()->Text().get(), &m_dlg->m_strSource.str());
    const ByteLines& lines = View()->Lines();
    ASSERT_EQ(lines.Count(), 7 + fillers + 1);
    EXPECT_EQ(lines.Line(lines.Count() - 1), last);
    EXPECT_EQ(lines.Line(7), "    MOV R0,#0  ; filler line of the test library");
    EXPECT_EQ(View()->FirstVisibleLine(), 0u);

    const size_t page = static_cast<size_t>(View()->VisibleLineCount());
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(View()->FirstVisibleLine(), lines.Count() - page);
    EXPECT_EQ(View()->SelectionEnd(), m_dlg->m_strSource.size());
    EXPECT_GT(View()->horizontalScrollBar()->value(), 0); // the end of the long last line
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(View()->FirstVisibleLine(), 0u);
    EXPECT_EQ(View()->horizontalScrollBar()->value(), 0);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(View()->FirstVisibleLine(), page);

    QWheelEvent wheel(QPointF(20, 20), View()->viewport()->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(View()->viewport(), &wheel);
    EXPECT_GT(View()->FirstVisibleLine(), page);

    View()->verticalScrollBar()->setValue(View()->verticalScrollBar()->maximum());
    EXPECT_EQ(View()->FirstVisibleLine(), lines.Count() - page);

    // Show again: the same text leaves the view where it is; a routine's
    // block starts at the top.
    m_dlg->SendCommand(IDC_SHOW);
    EXPECT_EQ(View()->FirstVisibleLine(), lines.Count() - page);
    ChooseFunction(0);
    EXPECT_EQ(View()->FirstVisibleLine(), 0u);
    EXPECT_EQ(View()->Lines().Count(), 8u);
}

TEST_F(SourceViewDialogTest, SelectCopyAndFindInARoutineBlock)
{
    OpenOn(kBlink);
    ChooseFunction(0);
    ASSERT_EQ(m_dlg->m_strSource.str().substr(0, 10), "; C Functi");

    // Alt+S puts the focus into the view; Shift+Down selects the first line
    // with its line end, Ctrl+C copies those bytes.
    QTest::keyClick(m_dlg.get(), Qt::Key_S, Qt::AltModifier);
    ASSERT_TRUE(View()->hasFocus());
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(m_platform.clipboard, "; C Function prototype: void Blink(char led, int count)\r\n");

    // The mouse, on a line that is not UTF-8 (its 0xFF byte): every byte is
    // a Windows-1252 character of its own, and copies as that character.
    const ByteLines& lines = View()->Lines();
    ASSERT_EQ(lines.Line(4), "    DB  '\xC3\xA9',0xFF\xFF ; Divisor");
    const qreal cw = QFontMetricsF(View()->font()).horizontalAdvance(QLatin1Char('M'));
    const int lh = View()->fontMetrics().height();
    auto at = [&](int column, int line) { return QPoint(qRound(column * cw) + 1, line * lh + lh / 2); };
    QTest::mousePress(View()->viewport(), Qt::LeftButton, Qt::NoModifier, at(8, 4));
    QTest::mouseMove(View()->viewport(), at(18, 4));
    QTest::mouseRelease(View()->viewport(), Qt::LeftButton, Qt::NoModifier, at(18, 4));
    EXPECT_EQ(View()->SelectedBytes(), "'\xC3\xA9',0xFF\xFF");
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(m_platform.clipboard, "'\xC3\x83\xC2\xA9',0xFF\xC3\xBF"); // 'Ã©',0xFFÿ
    for (int i = 0; i < 7; ++i)                                         // ',0xFFÿ
        Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(View()->SelectedBytes(), "'\xC3\xA9");
    Key(Qt::Key_Left, Qt::ShiftModifier); // one byte, one character
    EXPECT_EQ(View()->SelectedBytes(), "'\xC3");

    Key(Qt::Key_A, Qt::ControlModifier);
    Key(Qt::Key_C, Qt::ControlModifier);
    std::string all = m_dlg->m_strSource.str();
    all.replace(all.find("'\xC3\xA9',0xFF\xFF"), 10, "'\xC3\x83\xC2\xA9',0xFF\xC3\xBF");
    EXPECT_EQ(m_platform.clipboard, all);

    // Ctrl+F finds as the user types, letters in any case; Enter goes on,
    // Shift+Enter back, both around the ends; Escape closes only the bar.
    Key(Qt::Key_Home, Qt::ControlModifier);
    Key(Qt::Key_F, Qt::ControlModifier);
    QLineEdit* find = View()->FindEdit();
    ASSERT_TRUE(find->isVisible());
    ASSERT_TRUE(find->hasFocus());
    QTest::keyClicks(find, "DIVISOR");
    const std::string& text = m_dlg->m_strSource.str();
    const size_t first = text.find("Divisor"), second = text.find("divisor");
    EXPECT_EQ(View()->SelectionStart(), first);
    EXPECT_EQ(View()->SelectedBytes(), "Divisor");
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(View()->SelectionStart(), second);
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(View()->SelectionStart(), first);
    QTest::keyClick(find, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(View()->SelectionStart(), second);
    QTest::keyClicks(find, "X");
    EXPECT_EQ(View()->SelectionStart(), second); // nothing found: the selection stays
    QTest::keyClick(find, Qt::Key_Escape);
    EXPECT_FALSE(find->isVisible());
    EXPECT_TRUE(View()->hasFocus());
    EXPECT_FALSE(m_dlg->Ended());
    EXPECT_TRUE(m_platform.messages.empty());
}

// The first and last x of the pixels in the colour within rows [top, top + height), or -1, -1.
std::pair<int, int> SpanOf(const QImage& image, int top, int height, const QColor& color)
{
    int first = -1, last = -1;
    for (int y = top; y < top + height && y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == color) {
                first = first < 0 ? x : std::min(first, x);
                last = std::max(last, x);
            }
    return {first, last};
}

// The first and last x of the ink within rows [top, top + height) and
// columns [from, to): pixels whose lightness is beyond the threshold.
std::pair<int, int> InkOf(const QImage& image, int top, int height, int from, int to, bool light, int threshold)
{
    int first = -1, last = -1;
    for (int y = top; y < top + height && y < image.height(); ++y)
        for (int x = std::max(0, from); x < to && x < image.width(); ++x) {
            const int lightness = image.pixelColor(x, y).lightness();
            if (light ? lightness > threshold : lightness < threshold) {
                first = first < 0 ? x : std::min(first, x);
                last = std::max(last, x);
            }
        }
    return {first, last};
}

TEST_F(SourceViewDialogTest, FindAndMouseMarkTheGlyphsOfTheTextAtEveryFontSize)
{
    // "UART" at column 60, found with Ctrl+F and selected with the mouse, at
    // font sizes whose advance is not a whole number of pixels: the marked
    // pixels are where Qt lays out those letters, and hold their glyphs.
    const std::string line = ";" + std::string(55, '-') + "two UARTs, one SPI and a timer";
    OpenOn(kBlink + line + "\r\n; the end\r\n");
    const size_t lineNo = 7;
    ASSERT_EQ(View()->Lines().Line(lineNo), line);
    View()->resize(640, 260);
    const QString shown = QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
    const QColor highlight = View()->palette().color(QPalette::Highlight);
    for (const int pixels : {9, 12, 13, 15, 17, 22}) {
        SCOPED_TRACE(pixels);
        QFont font = View()->font();
        font.setPixelSize(pixels);
        View()->setFont(font);
        QTextLayout layout(shown, font);
        layout.beginLayout();
        const QTextLine laidOut = layout.createLine();
        layout.endLayout();
        const int lh = View()->fontMetrics().height();

        // The marked span against the layout's positions of the found text,
        // and the glyphs painted in it against Qt's own drawing of the line.
        auto expectMarked = [&](const char* how) {
            SCOPED_TRACE(how);
            ASSERT_EQ(View()->SelectedBytes(), "UART");
            const QImage image = View()->viewport()->grab().toImage();
            const int hx = View()->horizontalScrollBar()->value();
            const int top = static_cast<int>(lineNo - View()->FirstVisibleLine()) * lh;
            const qreal x0 = laidOut.cursorToX(60) - hx, x1 = laidOut.cursorToX(64) - hx;
            const auto [a, b] = SpanOf(image, top, lh, highlight);
            EXPECT_NEAR(a, x0, 1.0);
            EXPECT_NEAR(b + 1, x1, 1.0);

            QImage reference(image.size(), QImage::Format_RGB32);
            reference.fill(Qt::white);
            QPainter painter(&reference);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.drawText(QPointF(-hx, top + QFontMetrics(font).ascent()), shown);
            painter.end();
            const auto [ra, rb] = InkOf(reference, top, lh, a, b + 1, false, 128);
            const auto [va, vb] = InkOf(image, top, lh, a, b + 1, true, (highlight.lightness() + 255) / 2);
            ASSERT_GE(ra, 0);
            EXPECT_NEAR(va, ra, 1);
            EXPECT_NEAR(vb, rb, 1);
        };

        View()->Select(0, 0);
        Key(Qt::Key_F, Qt::ControlModifier);
        QLineEdit* find = View()->FindEdit();
        QTest::keyClick(find, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(find, "uart");
        expectMarked("found");
        QTest::keyClick(find, Qt::Key_Escape);

        const int hx = View()->horizontalScrollBar()->value();
        const int y = static_cast<int>(lineNo - View()->FirstVisibleLine()) * lh + lh / 2;
        const QPoint from(qRound(laidOut.cursorToX(60)) - hx + 1, y), to(qRound(laidOut.cursorToX(64)) - hx + 1, y);
        QTest::mousePress(View()->viewport(), Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(View()->viewport(), to);
        QTest::mouseRelease(View()->viewport(), Qt::LeftButton, Qt::NoModifier, to);
        expectMarked("selected with the mouse");
    }
}

TEST_F(SourceViewDialogTest, AMatchIsScrolledOutFromUnderTheFindBar)
{
    // A match on the bottom line in sight and one on the last line: the view
    // scrolls each above the find bar.
    std::string text = kBlink;
    for (int i = 0; i < 40; ++i)
        text += "; line " + std::to_string(i) + "\r\n";
    OpenOn(text);
    View()->resize(500, 260);
    const size_t page = static_cast<size_t>(View()->VisibleLineCount());
    ASSERT_LT(page, 40u);
    const std::string& shown = m_dlg->m_strSource.str();
    ASSERT_GT(page, 8u);
    const std::string bottom = "; line " + std::to_string(page - 1 - 7) + "\r";
    const size_t bottomAt = shown.find(bottom);
    ASSERT_NE(bottomAt, std::string::npos);
    const int lh = View()->fontMetrics().height();
    auto clearOfTheBar = [&] {
        const size_t row = View()->Lines().LineOf(View()->SelectionStart()) - View()->FirstVisibleLine();
        const int barTop = View()->FindEdit()->parentWidget()->geometry().top() - View()->viewport()->geometry().top();
        return static_cast<int>(row + 1) * lh <= barTop;
    };

    QTest::mouseClick(View()->viewport(), Qt::LeftButton);
    Key(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(View()->FindEdit(), bottom.substr(1, bottom.size() - 2).c_str());
    EXPECT_EQ(View()->SelectionStart(), bottomAt + 1);
    EXPECT_TRUE(clearOfTheBar());
    QTest::keyClick(View()->FindEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(View()->FindEdit(), "line 39");
    QTest::keyClick(View()->FindEdit(), Qt::Key_F3);
    EXPECT_EQ(View()->Lines().LineOf(View()->SelectionStart()), 7 + 39u);
    EXPECT_TRUE(clearOfTheBar());
    // Closed, the bar gives its room back.
    QTest::keyClick(View()->FindEdit(), Qt::Key_Escape);
    EXPECT_EQ(View()->verticalScrollBar()->maximum(), static_cast<int>(View()->Lines().Count() - page));
}

TEST_F(SourceViewDialogTest, Latin1AndUtf8LinesShowTheSameTextAndCopyAndFindIt)
{
    const std::string latin1 = "; Gr\xFC\xDF"
                               "e f\xFCr alle\r\n",
                      utf8 = "; Gr\xC3\xBC\xC3\x9F"
                             "e f\xC3\xBCr alle\r\n";
    OpenOn(latin1 + utf8 + "; Grusse fur alle\r\n" + kBlink);
    View()->resize(400, 200);
    const QImage image = View()->viewport()->grab().toImage();
    const int lh = View()->fontMetrics().height();
    const QImage row0 = image.copy(0, 0, image.width(), lh), row1 = image.copy(0, lh, image.width(), lh);
    EXPECT_EQ(row0, row1); // the same characters in the same cells
    EXPECT_NE(row0, image.copy(0, 2 * lh, image.width(), lh));

    // "für" typed into the find bar, found in both lines; copied as UTF-8.
    const std::string& shown = m_dlg->m_strSource.str();
    QTest::mouseClick(View()->viewport(), Qt::LeftButton);
    Key(Qt::Key_F, Qt::ControlModifier);
    QLineEdit* find = View()->FindEdit();
    QTest::keyClick(find, Qt::Key_F);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\u00FC"));
    QApplication::sendEvent(find, &press);
    QTest::keyClick(find, Qt::Key_R);
    ASSERT_EQ(find->text(), QStringLiteral("f\u00FCr"));
    EXPECT_EQ(View()->SelectionStart(), shown.find("f\xFCr"));
    EXPECT_EQ(View()->SelectedBytes(), "f\xFCr");
    QTest::keyClick(find, Qt::Key_Escape);
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(m_platform.clipboard, "f\xC3\xBCr");
    Key(Qt::Key_F3);
    EXPECT_EQ(View()->SelectedBytes(), "f\xC3\xBCr");
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(m_platform.clipboard, "f\xC3\xBCr");
}

TEST_F(SourceViewDialogTest, ThePrototypeAndItsHintLinesStandOut)
{
    // The whole library: a hint-shaped line away from a prototype is plain.
    OpenOn(kBlink + "; a comment\r\n;  led:{0,1,2}\r\n");
    View()->resize(400, 300);
    const QImage image = View()->viewport()->grab().toImage();
    const int lh = View()->fontMetrics().height();
    auto background = [&](int line) { return image.pixelColor(image.width() - 3, line * lh + 1); };
    EXPECT_NE(background(0), background(3)); // prototype / plain
    EXPECT_NE(background(1), background(3)); // hint / plain
    EXPECT_NE(background(0), background(1)); // prototype / hint
    EXPECT_EQ(background(2), background(1)); // the second hint line
    EXPECT_EQ(background(3), background(4));
    EXPECT_EQ(background(8), background(3));
}

} // namespace
} // namespace tovel::testing
