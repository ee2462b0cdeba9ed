// A read-only view of a byte text of any size: the text stays as bytes with
// an index of its line starts, and only the lines and columns in sight are
// turned into characters and painted, in the widget's (fixed-pitch) font,
// each character in its own cell of one grid. A line that is valid UTF-8
// shows as UTF-8, any other as Windows-1252 (LineCells); copy and find work
// on the characters shown. Tabs stand at 4-column stops. The user scrolls with the wheel, the keys
// and the scroll bars, selects with the mouse and Shift+keys, selects all
// with Ctrl+A, copies the selected text with Ctrl+C and finds text with
// Ctrl+F (as typed, letters in any case; Enter or F3 for the next, Shift
// with them for the previous).
#pragma once

#include "common/ByteLines.h"

#include <QAbstractScrollArea>
#include <QRawFont>
#include <array>
#include <functional>
#include <map>
#include <vector>

class QLineEdit;

namespace tovel {

class ByteTextView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ByteTextView(QWidget* parent = nullptr);

    // Shows the text from its top with nothing selected; the same bytes
    // again leave the view as it is (where it is scrolled to, the selection).
    void SetText(SharedBytes text);
    const SharedBytes& Text() const { return m_lines.Shared(); }
    const ByteLines& Lines() const { return m_lines; }

    // How a line is set off: 0 plain, 1 strong, 2 light. Asked only for the
    // lines being painted.
    void SetLineTone(std::function<int(const ByteLines&, size_t)> toneOf);

    // Selection as byte positions; the cursor is where Shift+keys extend it.
    size_t SelectionStart() const { return std::min(m_anchor, m_cursor); }
    size_t SelectionEnd() const { return std::max(m_anchor, m_cursor); }
    std::string SelectedBytes() const;
    // The selected characters as UTF-8, each line read as it is shown.
    std::string SelectedText() const;
    void Select(size_t anchor, size_t cursor);
    void SelectAll();
    void Copy();

    // The first line in sight, the lines in sight, and those of them that
    // the find bar leaves clear.
    size_t FirstVisibleLine() const;
    int VisibleLineCount() const;
    int ClearLineCount() const;
    // The width of a character cell in pixels.
    qreal CellWidth() const { return m_cellWidth; }

    // The find bar (Ctrl+F), and searching from the selection.
    void OpenFind();
    QLineEdit* FindEdit() const { return m_findEdit; }
    bool FindNext(bool forward);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct LongLine {
        bool utf8 = false;
        std::vector<ColumnPlace> marks; // column -> byte position, every few thousand columns
    };

    int LineHeight() const;
    void UpdateMetrics();
    void UpdateScrollBars();
    LineCells CellsOf(size_t line) const;
    const LongLine& LongLineOf(size_t line) const;
    // A boundary walk for a column: long lines keep a few known boundaries so
    // that reaching a far column does not walk the whole line each time.
    ColumnPlace PlaceFrom(size_t line, size_t column) const;
    size_t ColumnOf(size_t pos) const;
    size_t PosAt(const QPoint& viewportPoint) const;
    void MoveCursor(size_t pos, bool extend);
    void EnsureVisible(size_t pos);
    void CloseFind();
    void FindAsTyped();

    ByteLines m_lines;
    std::function<int(const ByteLines&, size_t)> m_toneOf;
    size_t m_anchor = 0;
    size_t m_cursor = 0;
    size_t m_goalColumn = 0; // the column Up and Down keep to
    bool m_dragging = false;
    QWidget* m_findBar = nullptr;
    QLineEdit* m_findEdit = nullptr;
    size_t m_findFrom = 0; // where the typed text is looked for from
    // What is known of the long lines painted lately: their reading and boundaries.
    mutable std::map<size_t, LongLine> m_longLines;
    qreal m_cellWidth = 1;
    // The font's glyphs of the printable ASCII characters, when it has them
    // all: they are placed on the grid one by one, in one run a line.
    QRawFont m_rawFont;
    std::array<quint32, 95> m_asciiGlyphs{};
    bool m_asciiGlyphsKnown = false;
};

} // namespace tovel
