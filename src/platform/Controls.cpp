#include "platform/Controls.h"

#include "common/ByteText.h"
#include "common/NoCaseOrder.h"
#include "platform/Text.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QProxyStyle>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>
#include <cstdint>

namespace tovel {

namespace {

bool LessNoCase(std::string_view a, std::string_view b)
{
    return CompareNoCase(a, b) < 0;
}

// Some styles (Fusion among them) open the list of a combo that cannot be
// typed into as a menu over the field, as wide as its widest item: every
// opening then measures the text of every item, over half a second for a
// library of 100,000 routines. Under this style the list drops down below
// the field, as wide as the field, as the drop-down lists of Windows do, and
// only the rows in sight are ever measured.
class DropDownBelowStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// One instance for all combo boxes, made on the application's style and
// owned by the application.
QStyle* ComboStyle()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = new DropDownBelowStyle(QApplication::style()->name());
        style->setParent(qApp);
    }
    return style;
}

// Rows with a little room above and below the text, so that neither the
// text nor its highlight touches the next row.
class RoomyRows : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rheight() += 4;
        return size;
    }
};

} // namespace

int ByteListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return static_cast<int>(m_filtered ? m_rows.size() : m_items.size());
}

QVariant ByteListModel::data(const QModelIndex& index, int role) const
{
    const int item = index.isValid() ? ItemOfRow(index.row()) : -1;
    if (item < 0)
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return FromBytes(m_items[static_cast<size_t>(item)]);
    return {};
}

int ByteListModel::ItemOfRow(int row) const
{
    if (row < 0)
        return -1;
    const auto r = static_cast<size_t>(row);
    if (m_filtered)
        return r < m_rows.size() ? static_cast<int>(m_rows[r]) : -1;
    return r < m_items.size() ? row : -1;
}

void ByteListModel::SetFilter(const std::vector<uint32_t>& rows)
{
    beginResetModel();
    m_rows.assign(rows.begin(), rows.end());
    m_filtered = true;
    endResetModel();
}

void ByteListModel::ClearFilter()
{
    if (!m_filtered)
        return;
    beginResetModel();
    m_filtered = false;
    m_rows.clear();
    endResetModel();
}

void ByteListModel::Reset(TextList items)
{
    beginResetModel();
    m_items = std::move(items);
    m_filtered = false;
    m_rows.clear();
    endResetModel();
}

void ByteListModel::Insert(int row, std::string_view item)
{
    beginInsertRows(QModelIndex(), row, row);
    m_items.insert(static_cast<size_t>(row), item);
    endInsertRows();
}

void ByteListModel::Remove(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
    m_items.erase(static_cast<size_t>(row));
    endRemoveRows();
}

ComboBox::ComboBox(bool editable, bool sorted, QWidget* parent)
    : QComboBox(parent), m_model(new ByteListModel(this)), m_sorted(sorted)
{
    setStyle(ComboStyle());
    setModel(m_model);
    if (auto* list = qobject_cast<QListView*>(view()))
        list->setUniformItemSizes(true);
    view()->installEventFilter(this);
    setEditable(editable);
    if (editable) {
        // Typed text stays as typed: no completion, nothing inserted on Enter.
        setCompleter(nullptr);
        setInsertPolicy(QComboBox::NoInsert);
        connect(lineEdit(), &QLineEdit::textEdited, this, &ComboBox::OnTextEdited);
    }
    // The selection changes with the user's picks in the list, the arrow
    // keys and the wheel; Qt's own matching of typed text when the edit
    // field loses the focus does not select anything.
    connect(this, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (m_settingSelection || !(m_popupOpen || m_userInput))
            return;
        m_curSel = m_model->ItemOfRow(index);
        // Changed on the closed field: what it now shows is the choice.
        if (!m_popupOpen)
            QueueCloseUp();
    });
}

void ComboBox::ResetContent()
{
    m_settingSelection = true;
    m_model->Reset({});
    setCurrentIndex(-1);
    if (isEditable())
        setEditText(QString());
    m_settingSelection = false;
    m_curSel = -1;
    m_longest = 0;
}

void ComboBox::MeasureLongest()
{
    m_longest = 0;
    for (const std::string_view item : m_model->Items())
        m_longest = std::max(m_longest, item.size());
}

int ComboBox::AddString(const std::string& item)
{
    const auto& items = m_model->Items();
    int row = static_cast<int>(items.size());
    if (m_sorted)
        row = static_cast<int>(std::upper_bound(items.begin(), items.end(), item, LessNoCase) - items.begin());
    m_settingSelection = true;
    m_longest = std::max(m_longest, item.size());
    m_model->Insert(row, item);
    m_settingSelection = false;
    if (m_curSel >= row)
        ++m_curSel;
    return row;
}

void ComboBox::SetItems(TextList items)
{
    if (m_sorted)
        SortFunctionList(items);
    m_settingSelection = true;
    m_model->Reset(std::move(items));
    setCurrentIndex(-1);
    m_settingSelection = false;
    m_curSel = -1;
    MeasureLongest();
}

int ComboBox::FindStringExact(int start, const std::string& text) const
{
    // Searches from the item after start to the end, then from the top.
    const auto& items = m_model->Items();
    const int count = static_cast<int>(items.size());
    if (count == 0)
        return -1;
    int first = (start < 0 || start >= count) ? 0 : start + 1;
    for (int n = 0; n < count; ++n) {
        int i = (first + n) % count;
        if (EqualsNoCase(items[static_cast<size_t>(i)], text))
            return i;
    }
    return -1;
}

void ComboBox::DeleteString(int index)
{
    if (index < 0 || index >= GetCount())
        return;
    m_settingSelection = true;
    m_model->Remove(index);
    m_settingSelection = false;
    MeasureLongest();
    if (m_curSel == index)
        SetCurSel(-1);
    else if (m_curSel > index)
        --m_curSel;
}

int ComboBox::GetCount() const
{
    return static_cast<int>(m_model->Items().size());
}

int ComboBox::SetCurSel(int index)
{
    if (index < 0 || index >= GetCount())
        index = -1;
    m_settingSelection = true;
    setCurrentIndex(index);
    if (index < 0 && isEditable())
        setEditText(QString());
    m_settingSelection = false;
    m_curSel = index;
    return index;
}

std::string ComboBox::GetLBText(int index) const
{
    const auto& items = m_model->Items();
    if (index < 0 || static_cast<size_t>(index) >= items.size())
        return {};
    return std::string(items[static_cast<size_t>(index)]);
}

void ComboBox::OnTextEdited(const QString& text)
{
    // The selection follows what the user types: the item with that text
    // (case ignored), or none.
    if (m_followText)
        m_curSel = FindStringExact(-1, ToBytes(text));
}

void ComboBox::QueueCloseUp()
{
    if (m_closeUpQueued)
        return;
    m_closeUpQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_closeUpQueued = false;
        m_popupOpen = false;
        EndFilter();
        emit closeUp();
    });
}

void ComboBox::FitListWidth()
{
    // A fixed-pitch font: the widest item is the longest one, so no text
    // needs measuring, however many items there are.
    const QFontMetrics metrics(view()->font());
    const int chars = static_cast<int>(std::min<size_t>(m_longest, 4096));
    int width = chars * metrics.horizontalAdvance(QLatin1Char('M'));
    width += view()->verticalScrollBar()->sizeHint().width() + 2 * view()->frameWidth() + 16;
    if (const QScreen* screen = this->screen()) {
        // The list's frame around the view must fit on the screen too.
        int frame = 0;
        if (const auto* container = qobject_cast<const QFrame*>(view()->parentWidget())) {
            frame = 2 * container->frameWidth();
            if (container->layout())
                frame += container->layout()->contentsMargins().left() + container->layout()->contentsMargins().right();
        }
        width = std::min(width, screen->availableGeometry().width() - frame);
    }
    view()->setMinimumWidth(std::max(width, this->width()));
}

void ComboBox::showPopup()
{
    EndFilter();
    if (!m_popupOpen) {
        m_popupOpen = true;
        emit dropDown();
    }
    if (m_fitLongest)
        FitListWidth();
    QComboBox::showPopup();
    QWidget* container = view()->window();
    if (container && container != window())
        container->installEventFilter(this);
    if (m_filter && container && container != window() && container->isVisible())
        ShowFilterField();
    // An empty list does not open; it has closed again all the same.
    if (!container || container == window() || !container->isVisible())
        QueueCloseUp();
}

void ComboBox::hidePopup()
{
    QComboBox::hidePopup();
}

void ComboBox::keyPressEvent(QKeyEvent* event)
{
    m_userInput = true;
    QComboBox::keyPressEvent(event);
    m_userInput = false;
}

void ComboBox::wheelEvent(QWheelEvent* event)
{
    // The wheel scrolls past a form's fields without changing them.
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    m_userInput = true;
    QComboBox::wheelEvent(event);
    m_userInput = false;
}

void ComboBox::ShowFilterField()
{
    QWidget* container = view()->parentWidget();
    auto* layout = container ? qobject_cast<QBoxLayout*>(container->layout()) : nullptr;
    if (!layout)
        return;
    if (!m_filterField) {
        // Typing goes to the list, which keeps the focus: the field only shows the text.
        m_filterField = new QLineEdit(container);
        m_filterField->setObjectName(QStringLiteral("listFilter"));
        m_filterField->setReadOnly(true);
        m_filterField->setFocusPolicy(Qt::NoFocus);
        m_filterField->setPlaceholderText(QStringLiteral("Type to filter by name"));
        layout->addWidget(m_filterField); // under the rows: the list starts where it always did
    }
    m_filterField->clear();
    m_filterField->show();
    // The list was sized without the field: the popup grows by its height,
    // upwards where the screen ends.
    QWidget* popup = view()->window();
    QRect r = popup->geometry();
    r.setHeight(r.height() + m_filterField->sizeHint().height());
    if (const QScreen* screen = this->screen(); screen && r.bottom() > screen->availableGeometry().bottom())
        r.moveBottom(screen->availableGeometry().bottom());
    popup->setGeometry(r);
}

void ComboBox::ApplyFilter()
{
    int item = m_curSel;
    m_settingSelection = true;
    if (m_filterText.empty()) {
        m_model->ClearFilter();
    } else {
        const size_t best = m_filter(m_filterText, m_filterRows);
        m_model->SetFilter(m_filterRows);
        item = m_filterRows.empty() ? -1 : static_cast<int>(m_filterRows[best]);
    }
    // No row is the combo's own while the rows change: any pick is a change.
    setCurrentIndex(-1);
    m_settingSelection = false;
    if (m_filterField)
        m_filterField->setText(FromBytes(m_filterText));
    int row = -1;
    if (m_model->Filtered()) {
        if (!m_filterRows.empty())
            row = static_cast<int>(std::find(m_filterRows.begin(), m_filterRows.end(), static_cast<uint32_t>(item))
                                   - m_filterRows.begin());
    } else {
        row = item;
    }
    if (row >= 0) {
        const QModelIndex index = m_model->index(row, 0);
        view()->setCurrentIndex(index);
        view()->scrollTo(index, QAbstractItemView::PositionAtCenter);
    }
}

void ComboBox::EndFilter()
{
    m_filterText.clear();
    if (!m_model->Filtered())
        return;
    m_settingSelection = true;
    m_model->ClearFilter();
    setCurrentIndex(m_curSel);
    m_settingSelection = false;
}

bool ComboBox::FilterKey(QKeyEvent* event)
{
    if (!m_filter || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    if (event->key() == Qt::Key_Backspace) {
        if (!m_filterText.empty()) {
            m_filterText.pop_back();
            ApplyFilter();
        }
        return true;
    }
    // Shift and the other keys without text leave the text as it is.
    const QString text = event->text();
    if (text.size() != 1 || !text.at(0).isPrint())
        return false;
    // Routine names are plain ASCII: other characters cannot match one.
    if (text.at(0).unicode() > 0x7E)
        return true;
    m_filterText.push_back(static_cast<char>(text.at(0).unicode()));
    ApplyFilter();
    return true;
}

bool ComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched == view() && FilterKey(static_cast<QKeyEvent*>(event)))
        return true;
    if (event->type() == QEvent::Hide && m_popupOpen && watched == view()->window()) {
        // The list may still pass on the picked item after it hides: report
        // the close once that has happened.
        QueueCloseUp();
    }
    return QComboBox::eventFilter(watched, event);
}

ListBox::ListBox(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new RoomyRows(this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setUniformItemSizes(true);
}

void ListBox::ResetContent()
{
    clear();
}

int ListBox::AddString(const std::string& item)
{
    auto* row = new QListWidgetItem(FromBytes(item));
    row->setData(Qt::UserRole, QByteArray(item.data(), static_cast<qsizetype>(item.size())));
    addItem(row);
    return count() - 1;
}

std::string ListBox::GetText(int index) const
{
    const QListWidgetItem* row = item(index);
    if (!row)
        return {};
    const QByteArray bytes = row->data(Qt::UserRole).toByteArray();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::vector<int> ListBox::GetSelItems() const
{
    std::vector<int> rows;
    for (int i = 0; i < count(); ++i)
        if (item(i)->isSelected())
            rows.push_back(i);
    return rows;
}

} // namespace tovel
