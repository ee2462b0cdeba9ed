// A small dialog framework on top of QDialog: controls built from a
// template in dialog units, addressed by id; a command map from control
// notifications to handlers; data exchange between fields and controls
// (UpdateData); SetWindowPos in client pixels; the OK / cancel / close
// commands.
#pragma once

#include "common/SharedText.h"

#include <QDialog>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QFont;

namespace tovel {

class ComboBox;
class ListBox;

enum class Ctl {
    PushButton,
    DefPushButton,
    IconButton,
    GroupBox,
    AutoRadio,
    Static,
    StaticIcon,
    Edit,
    MultiLineEdit,
    ComboDropDown,     // editable
    ComboDropDownList, // not editable
    ListBox,
};

enum CtlStyle : unsigned {
    kNone = 0,
    kTabStop = 1u << 0,
    kGroup = 1u << 1,
    kSorted = 1u << 2,
    kReadOnly = 1u << 3,
    kCenter = 1u << 4,
    kRight = 1u << 5,
    kVCenter = 1u << 6,
    kNoPrefix = 1u << 7,
    kHidden = 1u << 8,
    kDisabled = 1u << 9,
    kFixedFont = 1u << 10,
};

struct ControlTemplate {
    int id;
    Ctl kind;
    const char* caption;
    int x, y, w, h; // dialog units
    unsigned style;
};

struct DialogTemplate {
    const char* caption;
    int width, height; // dialog units
    std::vector<ControlTemplate> controls;
};

// SetWindowPos flags and insert-after values.
enum : unsigned {
    SWP_NOSIZE = 0x1,
    SWP_NOMOVE = 0x2,
    SWP_NOZORDER = 0x4,
    SWP_FRAMECHANGED = 0x20,
    SWP_SHOWWINDOW = 0x40,
    SWP_HIDEWINDOW = 0x80,
};
enum class InsertAfter { None, Top };

enum class Notify { Clicked, SetFocus, KillFocus, DropDown, CloseUp };

class CDialog;

class DataExchange {
public:
    DataExchange(CDialog& dialog, bool save) : m_dialog(dialog), m_save(save) {}
    bool SaveAndValidate() const { return m_save; }
    CDialog& Dialog() const { return m_dialog; }

private:
    CDialog& m_dialog;
    bool m_save;
};

void DDX_Text(DataExchange& dx, int id, std::string& value);
// A text shown in a view of bytes travels as a shared buffer, never copied.
void DDX_Text(DataExchange& dx, int id, SharedText& value);
void DDX_CBIndex(DataExchange& dx, int id, int& index);
void DDX_Radio(DataExchange& dx, int firstId, int& index);
template <typename T>
void DDX_Control(DataExchange& dx, int id, T*& member);

class CDialog : public QDialog {
    Q_OBJECT
public:
    explicit CDialog(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
    ~CDialog() override;

    // Builds the controls and runs the initialisation, without showing the
    // window (what DoModal does before its loop). Runs once.
    void CreateAndInitialize();
    // Builds, initialises, shows the dialog modally and returns its result.
    int DoModal();
    void EndDialog(int result);
    int Result() const { return m_result; }
    bool Ended() const { return m_ended; }

    QWidget* GetDlgItem(int id) const;
    // The control at position i of the template (tab order).
    QWidget* ControlAt(size_t i) const { return i < m_controls.size() ? m_controls[i] : nullptr; }
    ComboBox* Combo(int id) const;
    ListBox* List(int id) const;
    bool UpdateData(bool saveAndValidate = true);
    void SetWindowPos(int id, InsertAfter insertAfter, int x, int y, int cx, int cy, unsigned flags);
    void RedrawWindow(int id);
    void SendSetFont(int id, const QFont& font);
    std::string GetDlgItemText(int id) const;

    // Simulates the notification of a control, as the control itself would send it.
    void SendNotify(int id, Notify code);
    // The command of a button (OK is 1, cancel is 2).
    void SendCommand(int id);
    // While paused, focus moves send no SetFocus or KillFocus notification
    // (the dialog moves controls about itself and puts the focus back).
    void PauseFocusNotifications(bool paused) { m_focusNotifyPaused = paused; }

    // Tests drive modal dialogs through this instead of a blocking loop: the
    // runner gets the initialised dialog and ends it.
    static void SetModalRunner(std::function<void(CDialog&)> runner);

    // The template rectangle of control index i in pixels.
    static QRect DluRect(const ControlTemplate& control);
    // Where a control stands in the window at its designed size: its
    // template rectangle, or the last place SetWindowPos gave it.
    static QRect DesignedRect(const QWidget* control);
    // Gives a control a new designed place without placing it.
    static void SetDesignedRect(QWidget* control, const QRect& designed);

protected:
    virtual void DoDataExchange(DataExchange& dx);
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void OnClose();
    // F1: returns true when handled.
    virtual bool OnHelpInfo();
    // The context menu on the dialog's background.
    virtual void OnContextMenu(const QPoint& globalPos);
    // Escape pressed in control id: true when handled there; otherwise the
    // dialog is cancelled.
    virtual bool OnEscapeKey(int id);

    // Where a control whose designed place is designed stands in the window
    // now; a dialog that can grow maps it there. SetWindowPos places
    // through it. The default is the designed place.
    virtual QRect PlacedRect(int id, const QRect& designed) const;

    void On(int id, Notify code, std::function<void()> handler);
    const DialogTemplate& Template() const { return m_template; }

    void accept() override;
    void reject() override;
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void BuildControls();
    QWidget* CreateControl(const ControlTemplate& control);
    void Dispatch(int id, Notify code);
    void FocusNextTabStopAfter(size_t index);

    const DialogTemplate& m_template;
    std::vector<QWidget*> m_controls; // template order; nullptr never
    std::map<int, QWidget*> m_byId;
    std::map<std::pair<int, Notify>, std::function<void()>> m_handlers;
    bool m_built = false;
    bool m_initialized = false;
    bool m_ended = false;
    bool m_focusNotifyPaused = false;
    int m_result = 0;
};

// The whole text of a label or combo box whose text is cut where it stands;
// empty when it fits. The dialogs show it as the control's tooltip.
QString CutTextToolTip(const QWidget* control);

template <typename T>
void DDX_Control(DataExchange& dx, int id, T*& member)
{
    if (!member)
        member = qobject_cast<T*>(dx.Dialog().GetDlgItem(id));
}

} // namespace tovel
