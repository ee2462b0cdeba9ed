// The source view as the user works it: scrolling, selecting, copying and
// finding in the main dialog's view of a library or a routine's block.
#include "GuiFixture.h"

#include "platform/ByteTextView.h"
#include "ui/ControlIds.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QWheelEvent>

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

    // The mouse: from the quote before the accented letter to past the
    // 0xFF byte, through a tab stop and a two-byte character.
    const ByteLines& lines = View()->Lines();
    ASSERT_EQ(lines.Line(4), "    DB  '\xC3\xA9',0xFF\xFF ; Divisor");
    const int cw = View()->fontMetrics().horizontalAdvance(QLatin1Char('M'));
    const int lh = View()->fontMetrics().height();
    auto at = [&](int column, int line) { return QPoint(column * cw + 1, line * lh + lh / 2); };
    QTest::mousePress(View()->viewport(), Qt::LeftButton, Qt::NoModifier, at(8, 4));
    QTest::mouseMove(View()->viewport(), at(17, 4));
    QTest::mouseRelease(View()->viewport(), Qt::LeftButton, Qt::NoModifier, at(17, 4));
    EXPECT_EQ(View()->SelectedBytes(), "'\xC3\xA9',0xFF\xFF");
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(m_platform.clipboard, "'\xC3\xA9',0xFF\xFF");
    Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(View()->SelectedBytes(), "'\xC3\xA9',0xFF");
    for (int i = 0; i < 5; ++i) // ",0xFF"
        Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(View()->SelectedBytes(), "'\xC3\xA9'");
    Key(Qt::Key_Left, Qt::ShiftModifier);
    Key(Qt::Key_Left, Qt::ShiftModifier); // the two bytes of one character
    EXPECT_EQ(View()->SelectedBytes(), "'");

    Key(Qt::Key_A, Qt::ControlModifier);
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(m_platform.clipboard, m_dlg->m_strSource.str());

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
