// Controls with the behaviour the dialogs rely on, on top of Qt widgets.
#pragma once

#include "common/TypeAheadText.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <functional>
#include <string>
#include <vector>

namespace tovel {

// The items of a combo box as byte strings, converted for display only when
// the view asks, so that filling a list of 100,000 items is one vector move.
class ByteListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const std::vector<std::string>& Items() const { return m_items; }
    void Reset(std::vector<std::string> items);
    void Insert(int row, std::string item);
    void Remove(int row);

private:
    std::vector<std::string> m_items;
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
    void SetItems(std::vector<std::string> items);
    int FindStringExact(int start, const std::string& text) const;
    void DeleteString(int index);
    int GetCount() const;
    int GetCurSel() const { return m_curSel; }
    // Selects position index; -1 or a position past the end clears the selection.
    int SetCurSel(int index);
    std::string GetLBText(int index) const;
    const std::vector<std::string>& Items() const { return m_model->Items(); }
    // Makes the selection follow the edit field as the user types.
    void SetSelectionFollowsText(bool follow) { m_followText = follow; }
    // While the list is open, typed characters (and Backspace) build a text
    // that find turns into the row to show, or -1 to stay.
    void SetTypeAhead(std::function<int(const std::string& typed)> find) { m_typeAheadFind = std::move(find); }
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
    bool TypeAheadKey(QKeyEvent* event);
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
    std::function<int(const std::string&)> m_typeAheadFind;
    TypeAheadText m_typed;
    QElapsedTimer m_clock;
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
