#include "platform/ByteTextView.h"

#include "common/ByteText.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGlyphRun>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace tovel {

namespace {

// Lines longer than this keep known boundaries every kMarkEvery columns.
constexpr size_t kLongLine = 4096;
constexpr size_t kMarkEvery = 1024;
constexpr size_t kMaxMarkedLines = 64;

QColor Mix(const QColor& a, const QColor& b, qreal share)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - share) + b.redF() * share),
                            static_cast<float>(a.greenF() * (1 - share) + b.greenF() * share),
                            static_cast<float>(a.blueF() * (1 - share) + b.blueF() * share));
}

bool IsWordByte(char c)
{
    return IsIdentifierByte(c) || static_cast<unsigned char>(c) >= 0x80;
}

} // namespace

ByteTextView::ByteTextView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);

    m_findBar = new QWidget(this);
    m_findBar->setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(m_findBar);
    layout->setContentsMargins(3, 2, 3, 2);
    layout->setSpacing(3);
    auto* label = new QLabel(tr("Find:"), m_findBar);
    m_findEdit = new QLineEdit(m_findBar);
    m_findEdit->setObjectName(QStringLiteral("findEdit"));
    label->setBuddy(m_findEdit);
    layout->addWidget(label);
    layout->addWidget(m_findEdit, 1);
    m_findEdit->installEventFilter(this);
    connect(m_findEdit, &QLineEdit::textEdited, this, [this] { FindAsTyped(); });
    m_findBar->hide();
    UpdateMetrics();
    UpdateScrollBars();
}

void ByteTextView::SetText(SharedBytes text)
{
    if (!text)
        text = std::make_shared<const std::string>();
    const SharedBytes& old = m_lines.Shared();
    if (text == old)
        return;
    if (*text == *old) {
        // The same bytes in a new buffer: hold the new one, show the same.
        m_lines = ByteLines(std::move(text));
        return;
    }
    m_lines = ByteLines(std::move(text));
    m_longLines.clear();
    m_anchor = m_cursor = 0;
    m_goalColumn = 0;
    m_findFrom = 0;
    UpdateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

void ByteTextView::SetLineTone(std::function<int(const ByteLines&, size_t)> toneOf)
{
    m_toneOf = std::move(toneOf);
    viewport()->update();
}

void ByteTextView::UpdateMetrics()
{
    // The font's own advance, fractions included: a grid of whole pixels
    // drifts from the glyphs by a pixel every few columns.
    m_cellWidth = std::max<qreal>(1, QFontMetricsF(font()).horizontalAdvance(QLatin1Char('M')));
    m_rawFont = QRawFont::fromFont(font());
    m_asciiGlyphsKnown = false;
    if (!m_rawFont.isValid())
        return;
    QString ascii;
    for (char16_t c = 0x20; c < 0x7F; ++c) {
        if (!m_rawFont.supportsCharacter(QChar(c)))
            return;
        ascii += QChar(c);
    }
    const QList<quint32> glyphs = m_rawFont.glyphIndexesForString(ascii);
    if (glyphs.size() != static_cast<qsizetype>(m_asciiGlyphs.size()))
        return;
    std::copy(glyphs.begin(), glyphs.end(), m_asciiGlyphs.begin());
    m_asciiGlyphsKnown = true;
}

int ByteTextView::LineHeight() const
{
    return std::max(1, fontMetrics().height());
}

int ByteTextView::VisibleLineCount() const
{
    return std::max(1, viewport()->height() / LineHeight());
}

int ByteTextView::ClearLineCount() const
{
    const int bar = m_findBar->isHidden() ? 0 : m_findBar->height();
    return std::max(1, (viewport()->height() - bar) / LineHeight());
}

size_t ByteTextView::FirstVisibleLine() const
{
    return static_cast<size_t>(verticalScrollBar()->value());
}

void ByteTextView::UpdateScrollBars()
{
    // While the find bar is open the last line can be scrolled up above it.
    const size_t clear = static_cast<size_t>(ClearLineCount());
    const size_t count = m_lines.Count();
    const int maxLine = static_cast<int>(std::min<size_t>(count > clear ? count - clear : 0, INT_MAX));
    verticalScrollBar()->setRange(0, maxLine);
    verticalScrollBar()->setPageStep(VisibleLineCount());
    verticalScrollBar()->setSingleStep(1);
    const qreal widthPx = static_cast<qreal>(m_lines.MaxColumns() + 1) * m_cellWidth;
    const qreal maxX = std::max<qreal>(0, std::ceil(widthPx) - viewport()->width());
    horizontalScrollBar()->setRange(0, static_cast<int>(std::min<qreal>(maxX, INT_MAX)));
    horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
    horizontalScrollBar()->setSingleStep(static_cast<int>(std::ceil(m_cellWidth)));
}

const ByteTextView::LongLine& ByteTextView::LongLineOf(size_t line) const
{
    auto it = m_longLines.find(line);
    if (it != m_longLines.end())
        return it->second;
    if (m_longLines.size() >= kMaxMarkedLines)
        m_longLines.clear();
    const std::string_view text = m_lines.Line(line);
    LongLine known;
    known.utf8 = IsUtf8(text);
    const LineCells cells(text, known.utf8);
    ColumnPlace at;
    for (;;) {
        known.marks.push_back(at);
        const ColumnPlace next = cells.CellAtColumn(at.column + kMarkEvery, at);
        if (next.pos >= text.size() || next.pos == at.pos)
            break;
        at = next;
    }
    return m_longLines.emplace(line, std::move(known)).first->second;
}

LineCells ByteTextView::CellsOf(size_t line) const
{
    const std::string_view text = m_lines.Line(line);
    return text.size() < kLongLine ? LineCells(text) : LineCells(text, LongLineOf(line).utf8);
}

ColumnPlace ByteTextView::PlaceFrom(size_t line, size_t column) const
{
    const LineCells cells = CellsOf(line);
    if (cells.Bytes().size() < kLongLine)
        return cells.CellAtColumn(column);
    const auto& marks = LongLineOf(line).marks;
    auto mark = std::upper_bound(marks.begin(), marks.end(), column,
                                 [](size_t c, const ColumnPlace& m) { return c < m.column; });
    return cells.CellAtColumn(column, mark == marks.begin() ? ColumnPlace{} : *(mark - 1));
}

size_t ByteTextView::ColumnOf(size_t pos) const
{
    const size_t line = m_lines.LineOf(pos);
    const LineCells cells = CellsOf(line);
    const size_t offset = std::min(pos - m_lines.Start(line), cells.Bytes().size());
    ColumnPlace from;
    if (cells.Bytes().size() >= kLongLine) {
        const auto& marks = LongLineOf(line).marks;
        auto mark = std::upper_bound(marks.begin(), marks.end(), offset,
                                     [](size_t p, const ColumnPlace& m) { return p < m.pos; });
        if (mark != marks.begin())
            from = *(mark - 1);
    }
    return cells.ColumnOf(offset, from);
}

size_t ByteTextView::PosAt(const QPoint& p) const
{
    const qint64 row = static_cast<qint64>(FirstVisibleLine()) + (p.y() < 0 ? -1 : p.y() / LineHeight());
    const size_t line = static_cast<size_t>(std::clamp<qint64>(row, 0, static_cast<qint64>(m_lines.Count()) - 1));
    const qreal x = std::max<qreal>(0, p.x() + horizontalScrollBar()->value());
    const size_t column = static_cast<size_t>(x / m_cellWidth);
    ColumnPlace at = PlaceFrom(line, column);
    const LineCells cells = CellsOf(line);
    // The nearer side of the cell clicked into.
    if (at.pos < cells.Bytes().size()) {
        const size_t cols = cells.CellColumns(at.pos, at.column);
        if (2 * (x - static_cast<qreal>(at.column) * m_cellWidth) >= static_cast<qreal>(cols) * m_cellWidth)
            at.pos += cells.CellBytes(at.pos);
    }
    return m_lines.Start(line) + at.pos;
}

void ByteTextView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.setFont(font());
    const QPalette& pal = palette();
    const QColor base = pal.color(QPalette::Base);
    const QColor textColor = pal.color(QPalette::Text);
    const QColor highlight = pal.color(QPalette::Highlight);
    const QColor highlightText = pal.color(QPalette::HighlightedText);
    const QColor toneBack[3] = {base, Mix(base, highlight, 0.16), Mix(base, highlight, 0.07)};
    const QColor toneText[3] = {textColor, Mix(textColor, highlight, 0.45), Mix(textColor, highlight, 0.25)};

    const int lh = LineHeight();
    const qreal cw = m_cellWidth;
    const int ascent = fontMetrics().ascent();
    const int width = viewport()->width();
    const int hx = horizontalScrollBar()->value();
    auto xOf = [&](size_t column) { return static_cast<qreal>(column) * cw - hx; };
    const size_t firstCol = static_cast<size_t>(hx / cw);
    const size_t lastCol = firstCol + static_cast<size_t>(width / cw) + 2;
    const size_t first = FirstVisibleLine();
    const size_t rows = static_cast<size_t>(viewport()->height() / lh) + 1;
    const size_t selStart = SelectionStart(), selEnd = SelectionEnd();
    const bool focused = hasFocus();
    QList<quint32> glyphs;
    QList<QPointF> places;

    for (size_t row = 0; row < rows && first + row < m_lines.Count(); ++row) {
        const size_t line = first + row;
        const int y = static_cast<int>(row) * lh;
        const int tone = m_toneOf ? std::clamp(m_toneOf(m_lines, line), 0, 2) : 0;
        if (tone)
            painter.fillRect(0, y, width, lh, toneBack[tone]);

        const LineCells cells = CellsOf(line);
        const std::string_view text = cells.Bytes();
        const size_t lineStart = m_lines.Start(line);
        const ColumnPlace at = PlaceFrom(line, firstCol);

        // The selection on this line, in columns; a selected line end shows
        // as one cell after the text.
        QRectF selected;
        const size_t nextStart = line + 1 < m_lines.Count() ? m_lines.Start(line + 1) : m_lines.Text().size();
        if (selStart < selEnd && selStart < std::max(nextStart, lineStart + text.size() + 1) && selEnd > lineStart) {
            const size_t a = std::max(selStart, lineStart);
            const size_t b = std::min(selEnd, lineStart + text.size());
            const size_t colA = ColumnOf(a);
            size_t colB = b > a ? ColumnOf(b) : colA;
            if (selEnd > lineStart + text.size() && line + 1 < m_lines.Count())
                colB += 1;
            selected = QRectF(xOf(colA), y, xOf(colB) - xOf(colA), lh);
            if (!selected.isEmpty())
                painter.fillRect(selected, highlight);
        }

        // The cells in sight, each character at its own cell: the printable
        // ASCII ones as one run of the font's glyphs, any other character
        // (the font may lack it) drawn on its own.
        auto drawCells = [&](const QColor& color) {
            painter.setPen(color);
            glyphs.clear();
            places.clear();
            size_t pos = at.pos, col = at.column;
            while (pos < text.size() && col < lastCol) {
                const auto c = static_cast<unsigned char>(text[pos]);
                if (c > 0x20 && c < 0x7F && m_asciiGlyphsKnown) {
                    glyphs.append(m_asciiGlyphs[c - 0x20]);
                    places.append(QPointF(xOf(col), 0));
                } else if (c != ' ' && c != '\t') {
                    const char32_t drawn = DrawnChar(cells.CharAt(pos));
                    painter.drawText(QPointF(xOf(col), y + ascent), QString::fromUcs4(&drawn, 1));
                }
                col += cells.CellColumns(pos, col);
                pos += cells.CellBytes(pos);
            }
            if (!glyphs.isEmpty()) {
                QGlyphRun run;
                run.setRawFont(m_rawFont);
                run.setGlyphIndexes(glyphs);
                run.setPositions(places);
                painter.drawGlyphRun(QPointF(0, y + ascent), run);
            }
        };
        drawCells(toneText[tone]);
        if (!selected.isEmpty()) {
            painter.save();
            painter.setClipRect(selected);
            drawCells(highlightText);
            painter.restore();
        }
        if (focused && m_lines.LineOf(m_cursor) == line)
            painter.fillRect(QRect(qRound(xOf(ColumnOf(m_cursor))), y, 1, lh), textColor);
    }
}

void ByteTextView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    const QRect area = viewport()->geometry();
    const int barWidth = std::min(area.width(), std::max(160, area.width() / 2));
    const int barHeight = m_findBar->sizeHint().height();
    m_findBar->setGeometry(area.right() + 1 - barWidth, area.bottom() + 1 - barHeight, barWidth, barHeight);
    UpdateScrollBars();
}

void ByteTextView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        viewport()->setFont(font());
        m_longLines.clear();
        UpdateMetrics();
        UpdateScrollBars();
        viewport()->update();
    }
}

void ByteTextView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void ByteTextView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void ByteTextView::Select(size_t anchor, size_t cursor)
{
    const size_t size = std::min(m_lines.Text().size(), kByteLinesMaxBytes);
    m_anchor = std::min(anchor, size);
    m_cursor = std::min(cursor, size);
    m_goalColumn = ColumnOf(m_cursor);
    EnsureVisible(m_cursor);
    viewport()->update();
}

void ByteTextView::SelectAll()
{
    m_anchor = 0;
    m_cursor = std::min(m_lines.Text().size(), kByteLinesMaxBytes);
    viewport()->update();
}

std::string ByteTextView::SelectedBytes() const
{
    return m_lines.Text().substr(SelectionStart(), SelectionEnd() - SelectionStart());
}

std::string ByteTextView::SelectedText() const
{
    const size_t from = SelectionStart(), to = SelectionEnd();
    std::string out;
    if (from >= to)
        return out;
    out.reserve(to - from);
    const std::string& text = m_lines.Text();
    for (size_t line = m_lines.LineOf(from); line < m_lines.Count() && m_lines.Start(line) < to; ++line) {
        const size_t start = m_lines.Start(line);
        const LineCells cells = CellsOf(line);
        const size_t end = start + cells.Bytes().size();
        if (from < end)
            cells.AppendText(out, std::max(from, start) - start, std::min(to, end) - start);
        // The line end as it stands.
        const size_t next = line + 1 < m_lines.Count() ? m_lines.Start(line + 1) : end;
        const size_t endFrom = std::max(from, end), endTo = std::min(to, next);
        if (endFrom < endTo)
            out.append(text, endFrom, endTo - endFrom);
    }
    return out;
}

void ByteTextView::Copy()
{
    if (SelectionEnd() > SelectionStart())
        CurrentPlatform().SetClipboardText(SelectedText());
}

void ByteTextView::EnsureVisible(size_t pos)
{
    // In sight means above the find bar while it is open.
    const size_t line = m_lines.LineOf(pos);
    const size_t first = FirstVisibleLine();
    const size_t page = static_cast<size_t>(ClearLineCount());
    if (line < first)
        verticalScrollBar()->setValue(static_cast<int>(line));
    else if (line >= first + page)
        verticalScrollBar()->setValue(static_cast<int>(line + 1 - page));
    const qreal cw = m_cellWidth;
    const qreal x = static_cast<qreal>(ColumnOf(pos)) * cw;
    const int hx = horizontalScrollBar()->value();
    const int width = viewport()->width();
    if (x < hx)
        horizontalScrollBar()->setValue(static_cast<int>(std::max<qreal>(0, x - width / 4)));
    else if (x + cw > hx + width)
        horizontalScrollBar()->setValue(
            static_cast<int>(std::min<qreal>(std::ceil(x + cw) - width + width / 4, INT_MAX)));
}

void ByteTextView::MoveCursor(size_t pos, bool extend)
{
    m_cursor = pos;
    if (!extend)
        m_anchor = pos;
    EnsureVisible(pos);
    viewport()->update();
}

bool ByteTextView::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key == QKeySequence::Copy || key == QKeySequence::SelectAll || key == QKeySequence::Find
            || key->key() == Qt::Key_F3) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void ByteTextView::keyPressEvent(QKeyEvent* event)
{
    if (event == QKeySequence::SelectAll) {
        SelectAll();
        return;
    }
    if (event == QKeySequence::Copy) {
        Copy();
        return;
    }
    if (event == QKeySequence::Find) {
        OpenFind();
        return;
    }
    if (event->key() == Qt::Key_F3) {
        FindNext(!(event->modifiers() & Qt::ShiftModifier));
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const size_t line = m_lines.LineOf(m_cursor);
    const LineCells cells = CellsOf(line);
    const size_t offset = m_cursor - m_lines.Start(line);
    auto toLine = [&](qint64 target) {
        const size_t to = static_cast<size_t>(std::clamp<qint64>(target, 0, static_cast<qint64>(m_lines.Count()) - 1));
        const ColumnPlace at =
            CellsOf(to).NearestBoundary(m_goalColumn, PlaceFrom(to, m_goalColumn > 0 ? m_goalColumn - 1 : 0));
        MoveCursor(m_lines.Start(to) + at.pos, extend);
    };
    const qint64 page = VisibleLineCount();
    switch (event->key()) {
    case Qt::Key_Left:
        if (offset > 0) {
            MoveCursor(m_lines.Start(line) + cells.PreviousBoundary(offset), extend);
        } else if (line > 0) {
            MoveCursor(m_lines.End(line - 1), extend);
        } else {
            MoveCursor(m_cursor, extend);
        }
        m_goalColumn = ColumnOf(m_cursor);
        return;
    case Qt::Key_Right:
        if (offset < cells.Bytes().size())
            MoveCursor(m_cursor + cells.CellBytes(offset), extend);
        else if (line + 1 < m_lines.Count())
            MoveCursor(m_lines.Start(line + 1), extend);
        else
            MoveCursor(m_cursor, extend);
        m_goalColumn = ColumnOf(m_cursor);
        return;
    case Qt::Key_Up:
        toLine(static_cast<qint64>(line) - 1);
        return;
    case Qt::Key_Down:
        toLine(static_cast<qint64>(line) + 1);
        return;
    case Qt::Key_PageUp:
        verticalScrollBar()->setValue(verticalScrollBar()->value() - static_cast<int>(page));
        toLine(static_cast<qint64>(line) - page);
        return;
    case Qt::Key_PageDown:
        verticalScrollBar()->setValue(verticalScrollBar()->value() + static_cast<int>(page));
        toLine(static_cast<qint64>(line) + page);
        return;
    case Qt::Key_Home:
        MoveCursor(ctrl ? 0 : m_lines.Start(line), extend);
        m_goalColumn = 0;
        return;
    case Qt::Key_End:
        MoveCursor(ctrl ? std::min(m_lines.Text().size(), kByteLinesMaxBytes) : m_lines.End(line), extend);
        m_goalColumn = ColumnOf(m_cursor);
        return;
    default:
        // Enter, Escape and the rest are the dialog's.
        event->ignore();
        return;
    }
}

void ByteTextView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    MoveCursor(PosAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
    m_goalColumn = ColumnOf(m_cursor);
    m_dragging = true;
}

void ByteTextView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    // Past the top or bottom edge the view scrolls along.
    const QPoint p = event->position().toPoint();
    if (p.y() >= viewport()->height()) {
        const size_t line = std::min(FirstVisibleLine() + static_cast<size_t>(VisibleLineCount()), m_lines.Count() - 1);
        const QPoint below(p.x(), (static_cast<int>(line - FirstVisibleLine())) * LineHeight());
        MoveCursor(PosAt(below), true);
    } else {
        MoveCursor(PosAt(p), true);
    }
    m_goalColumn = ColumnOf(m_cursor);
}

void ByteTextView::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
}

void ByteTextView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double click selects the word under the mouse.
    const size_t pos = PosAt(event->position().toPoint());
    const size_t line = m_lines.LineOf(pos);
    const std::string_view text = m_lines.Line(line);
    size_t a = pos - m_lines.Start(line), b = a;
    while (a > 0 && IsWordByte(text[a - 1]))
        --a;
    while (b < text.size() && IsWordByte(text[b]))
        ++b;
    m_anchor = m_lines.Start(line) + a;
    MoveCursor(m_lines.Start(line) + b, true);
    m_dragging = false;
}

void ByteTextView::OpenFind()
{
    if (SelectionEnd() - SelectionStart() <= 200) {
        const std::string selected = SelectedText();
        if (!selected.empty() && selected.find_first_of("\r\n") == std::string::npos)
            m_findEdit->setText(QString::fromUtf8(selected.data(), static_cast<qsizetype>(selected.size())));
    }
    m_findFrom = SelectionStart();
    m_findBar->show();
    m_findBar->raise();
    UpdateScrollBars();
    m_findEdit->setFocus(Qt::ShortcutFocusReason);
    m_findEdit->selectAll();
}

void ByteTextView::CloseFind()
{
    m_findBar->hide();
    UpdateScrollBars();
    setFocus(Qt::OtherFocusReason);
}

void ByteTextView::FindAsTyped()
{
    const QByteArray what = m_findEdit->text().toUtf8();
    if (what.isEmpty()) {
        m_findEdit->setStyleSheet(QString());
        return;
    }
    const ShownMatch found =
        FindShown(m_lines, std::string_view(what.constData(), static_cast<size_t>(what.size())), m_findFrom, true);
    m_findEdit->setStyleSheet(found.pos == std::string::npos ? QStringLiteral("QLineEdit { background: #f6d8d8; }")
                                                             : QString());
    if (found.pos != std::string::npos)
        Select(found.pos, found.pos + found.bytes);
}

bool ByteTextView::FindNext(bool forward)
{
    const QByteArray what = m_findEdit->text().toUtf8();
    if (what.isEmpty()) {
        OpenFind();
        return false;
    }
    const size_t from =
        forward ? (SelectionEnd() > SelectionStart() ? SelectionStart() + 1 : m_cursor) : SelectionStart();
    const ShownMatch found =
        FindShown(m_lines, std::string_view(what.constData(), static_cast<size_t>(what.size())), from, forward);
    m_findEdit->setStyleSheet(found.pos == std::string::npos ? QStringLiteral("QLineEdit { background: #f6d8d8; }")
                                                             : QString());
    if (found.pos == std::string::npos)
        return false;
    m_findFrom = found.pos;
    Select(found.pos, found.pos + found.bytes);
    return true;
}

bool ByteTextView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_findEdit && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ours = key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter
            || key->key() == Qt::Key_F3;
        if (ours && event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        if (ours) {
            if (key->key() == Qt::Key_Escape)
                CloseFind();
            else
                FindNext(!(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

} // namespace tovel
