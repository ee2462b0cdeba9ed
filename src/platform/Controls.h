// Controls with the behaviour the dialogs rely on, on top of Qt widgets.
#pragma once

#include "common/TextList.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QListWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QLineEdit;

namespace tovel {

// The items of a combo box as byte strings in one buffer, converted for
// display only when the view asks, so that filling a list of 100,000 items
// is one move.
class ByteListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const TextList& Items() const { return m_items; }
    void Reset(TextList items);
    void Insert(int row, std::string_view item);
    void Remove(int row);
    // Shows only the items at rows (positions in Items(), in order), or all
    // of them again; Items() is never changed by it.
    void SetFilter(const std::vector<uint32_t>& rows);
    void ClearFilter();
    bool Filtered() const { return m_filtered; }
    // The position in Items() of a row the view shows.
    int ItemOfRow(int row) const;

private:
    TextList m_items;
    std::vector<uint32_t> m_rows;
    bool m_filtered = false;
};

// A combo box with list-box semantics: an optional case-insensitive sorted
// order (duplicates kept), a whole-text search that ignores case, a selection
// index that is -1 when nothing is selected, and notifications when the
// drop-down list opens (before it is shown) and after it closes, whether or
// not the selection changed. A selection the user changes while the list is
// closed (arrow keys, typed letters, the wheel) counts as a pick from the
// list: closeUp follows it. The wheel turns only a combo that has the focus.
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    ComboBox(bool editable, bool sorted, QWidget* parent);

    void ResetContent();
    // Adds one item at its sorted place (or at the end): its position.
    int AddString(const std::string& item);
    // Replaces the whole list in one batch, sorting once when the combo sorts.
    void SetItems(TextList items);
    int FindStringExact(int start, const std::string& text) const;
    void DeleteString(int index);
    int GetCount() const;
    int GetCurSel() const { return m_curSel; }
    // Selects position index; -1 or a position past the end clears the selection.
    int SetCurSel(int index);
    std::string GetLBText(int index) const;
    const TextList& Items() const { return m_model->Items(); }
    // Makes the selection follow the edit field as the user types.
    void SetSelectionFollowsText(bool follow) { m_followText = follow; }
    // While the list is open, typed characters (and Backspace) build a text,
    // shown in a field under the list: filter fills the positions of the
    // items to keep, in list order, and returns the place among them of the
    // one to highlight. The text starts empty at each opening.
    using ListFilter = std::function<size_t(const std::string& typed, std::vector<uint32_t>& rows)>;
    void SetListFilter(ListFilter filter) { m_filter = std::move(filter); }
    std::string FilterText() const { return m_filterText; }
    // Opens the list as wide as its longest item in a fixed-pitch font, up
    // to the screen's width (never narrower than the field).
    void SetListFitsLongestItem(bool fit) { m_fitLongest = fit; }

    void showPopup() override;
    void hidePopup() override;

signals:
    void dropDown();
    void closeUp();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void OnTextEdited(const QString& text);
    bool FilterKey(QKeyEvent* event);
    void ApplyFilter();
    void ShowFilterField();
    void EndFilter();
    void FitListWidth();
    void QueueCloseUp();
    void MeasureLongest();

    ByteListModel* m_model;
    bool m_sorted;
    int m_curSel = -1;
    bool m_settingSelection = false;
    bool m_popupOpen = false;
    bool m_closeUpQueued = false;
    bool m_followText = false;
    bool m_userInput = false; // inside a key or wheel event of the user's
    ListFilter m_filter;
    std::string m_filterText;
    std::vector<uint32_t> m_filterRows;
    QLineEdit* m_filterField = nullptr;
    bool m_fitLongest = false;
    size_t m_longest = 0;
};

// A list box whose items are byte strings.
class ListBox : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent);
    void ResetContent();
    int AddString(const std::string& item);
    std::string GetText(int index) const;
    // Positions of the selected items, lowest first.
    std::vector<int> GetSelItems() const;
};

} // namespace tovel
