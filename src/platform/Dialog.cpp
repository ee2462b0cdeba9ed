#include "platform/Dialog.h"

#include "common/DialogUnits.h"
#include "platform/ByteTextView.h"
#include "platform/Controls.h"
#include "platform/GroupBox.h"
#include "platform/Platform.h"
#include "platform/Text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyleOptionComboBox>
#include <QToolTip>

namespace tovel {

namespace {

constexpr const char* kIndexProperty = "tovelIndex";
constexpr const char* kDesignedProperty = "tovelDesignedRect";

// The dialog font: the platform's default font at 8 points, made smaller
// where needed so its average character is no wider than the 6-pixel
// horizontal base unit the layout is drawn in; captions then fit their
// rectangles as they were designed to.
QFont DialogFont()
{
    QFont font = QApplication::font();
    const int pixels = std::max(8, MulDiv(8, 96, 72));
    static const QString alphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    for (int px = pixels; px >= 8; --px) {
        font.setPixelSize(px);
        if (QFontMetricsF(font).horizontalAdvance(alphabet) / 52.0 <= kBaseUnitX)
            break;
    }
    return font;
}

bool TakesFocus(Ctl kind)
{
    return kind != Ctl::Static && kind != Ctl::StaticIcon && kind != Ctl::GroupBox;
}

} // namespace

CDialog::CDialog(const DialogTemplate& dialogTemplate, QWidget* parent) : QDialog(parent), m_template(dialogTemplate)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
}

CDialog::~CDialog() = default;

QRect CDialog::DluRect(const ControlTemplate& control)
{
    return QRect(DluToPixelsX(control.x), DluToPixelsY(control.y), DluToPixelsX(control.w), DluToPixelsY(control.h));
}

void CDialog::BuildControls()
{
    if (m_built)
        return;
    m_built = true;
    setFont(DialogFont());
    setWindowTitle(QString::fromUtf8(m_template.caption));
    setFixedSize(DluToPixelsX(m_template.width), DluToPixelsY(m_template.height));

    bool defaultTaken = false;
    for (size_t i = 0; i < m_template.controls.size(); ++i) {
        const ControlTemplate& t = m_template.controls[i];
        QWidget* w = CreateControl(t);
        w->setProperty(kIndexProperty, static_cast<int>(i));
        w->setProperty(kDesignedProperty, w->geometry());
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            button->setAutoDefault(true);
            // Of the buttons with the default style, the first in template
            // order answers Enter.
            if (t.kind == Ctl::DefPushButton && !defaultTaken) {
                button->setDefault(true);
                defaultTaken = true;
            }
        }
        if (TakesFocus(t.kind))
            w->setFocusPolicy((t.style & kTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
        else
            w->setFocusPolicy(Qt::NoFocus);
        if (t.style & kHidden)
            w->hide();
        if (t.style & kDisabled)
            w->setEnabled(false);
        m_controls.push_back(w);
        if (t.id != -1 && !m_byId.count(t.id))
            m_byId[t.id] = w;
    }
    // Group boxes only frame other controls: keep them underneath and let
    // clicks pass through.
    for (QWidget* w : m_controls)
        if (qobject_cast<QGroupBox*>(w))
            w->lower();
    // A label's mnemonic moves the focus to the control after it.
    for (size_t i = 0; i + 1 < m_controls.size(); ++i) {
        const ControlTemplate& t = m_template.controls[i];
        if (t.kind == Ctl::Static && !(t.style & kNoPrefix) && QString::fromUtf8(t.caption).contains(QLatin1Char('&')))
            static_cast<QLabel*>(m_controls[i])->setBuddy(m_controls[i + 1]);
    }
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, [this] { OnHelpInfo(); });
}

QWidget* CDialog::CreateControl(const ControlTemplate& t)
{
    const QString caption = QString::fromUtf8(t.caption ? t.caption : "");
    const QRect rect = DluRect(t);
    QWidget* w = nullptr;
    switch (t.kind) {
    case Ctl::PushButton:
    case Ctl::DefPushButton:
    case Ctl::IconButton: {
        auto* button = new QPushButton(t.kind == Ctl::IconButton ? QString() : caption, this);
        const int id = t.id;
        connect(button, &QPushButton::clicked, this, [this, id] { Dispatch(id, Notify::Clicked); });
        w = button;
        break;
    }
    case Ctl::GroupBox: {
        auto* group = new GroupBox(caption, this);
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        group->installEventFilter(this);
        w = group;
        break;
    }
    case Ctl::AutoRadio: {
        auto* radio = new QRadioButton(caption, this);
        radio->setProperty("tovelGroupStart", (t.style & kGroup) != 0);
        const int id = t.id;
        connect(radio, &QRadioButton::clicked, this, [this, id] { Dispatch(id, Notify::Clicked); });
        w = radio;
        break;
    }
    case Ctl::Static:
    case Ctl::StaticIcon: {
        auto* label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        Qt::Alignment align = (t.style & kCenter) ? Qt::AlignHCenter
            : (t.style & kRight)                  ? Qt::AlignRight
                                                  : Qt::AlignLeft;
        align |= (t.style & kVCenter) ? Qt::AlignVCenter : Qt::AlignTop;
        label->setAlignment(align);
        label->setText(caption);
        w = label;
        break;
    }
    case Ctl::Edit: {
        auto* edit = new QLineEdit(this);
        edit->setReadOnly(t.style & kReadOnly);
        w = edit;
        break;
    }
    case Ctl::MultiLineEdit: {
        w = new ByteTextView(this);
        break;
    }
    case Ctl::ComboDropDown:
    case Ctl::ComboDropDownList: {
        auto* combo = new ComboBox(t.kind == Ctl::ComboDropDown, t.style & kSorted, this);
        const int id = t.id;
        connect(combo, &ComboBox::dropDown, this, [this, id] { Dispatch(id, Notify::DropDown); });
        connect(combo, &ComboBox::closeUp, this, [this, id] { Dispatch(id, Notify::CloseUp); });
        const int closedHeight = combo->sizeHint().height();
        const int itemHeight = combo->fontMetrics().height() + 2;
        combo->setMaxVisibleItems(std::max(4, (rect.height() - closedHeight) / std::max(1, itemHeight)));
        combo->setGeometry(rect.x(), rect.y(), rect.width(), closedHeight);
        w = combo;
        break;
    }
    case Ctl::ListBox:
        w = new ListBox(this);
        break;
    }
    if (t.kind != Ctl::ComboDropDown && t.kind != Ctl::ComboDropDownList)
        w->setGeometry(rect);
    if (TakesFocus(t.kind) || t.kind == Ctl::Static) {
        w->installEventFilter(this);
        if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit())
            combo->lineEdit()->installEventFilter(this);
    }
    w->setObjectName(QStringLiteral("ctl%1").arg(t.id));
    return w;
}

void CDialog::CreateAndInitialize()
{
    if (m_initialized)
        return;
    m_initialized = true;
    BuildControls();
    if (OnInitDialog()) {
        // The focus goes to the first visible, enabled tab stop.
        for (size_t i = 0; i < m_controls.size(); ++i) {
            QWidget* w = m_controls[i];
            if ((m_template.controls[i].style & kTabStop) && !w->isHidden() && w->isEnabled()) {
                w->setFocus(Qt::OtherFocusReason);
                break;
            }
        }
    }
}

namespace {
std::function<void(CDialog&)> g_modalRunner;
} // namespace

void CDialog::SetModalRunner(std::function<void(CDialog&)> runner)
{
    g_modalRunner = std::move(runner);
}

int CDialog::DoModal()
{
    CreateAndInitialize();
    if (m_ended)
        return m_result;
    if (g_modalRunner) {
        auto runner = g_modalRunner;
        runner(*this);
        return m_result;
    }
    exec();
    return m_result;
}

void CDialog::EndDialog(int result)
{
    done(result);
}

void CDialog::done(int result)
{
    m_result = result;
    m_ended = true;
    QDialog::done(result);
}

QWidget* CDialog::GetDlgItem(int id) const
{
    auto it = m_byId.find(id);
    return it == m_byId.end() ? nullptr : it->second;
}

ComboBox* CDialog::Combo(int id) const
{
    return qobject_cast<ComboBox*>(GetDlgItem(id));
}

ListBox* CDialog::List(int id) const
{
    return qobject_cast<ListBox*>(GetDlgItem(id));
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    DataExchange dx(*this, saveAndValidate);
    DoDataExchange(dx);
    return true;
}

QRect CDialog::DesignedRect(const QWidget* control)
{
    const QVariant designed = control->property(kDesignedProperty);
    return designed.isValid() ? designed.toRect() : control->geometry();
}

void CDialog::SetDesignedRect(QWidget* control, const QRect& designed)
{
    control->setProperty(kDesignedProperty, designed);
}

QRect CDialog::PlacedRect(int, const QRect& designed) const
{
    return designed;
}

void CDialog::SetWindowPos(int id, InsertAfter insertAfter, int x, int y, int cx, int cy, unsigned flags)
{
    QWidget* w = GetDlgItem(id);
    if (!w)
        return;
    if (!(flags & SWP_NOMOVE) || !(flags & SWP_NOSIZE)) {
        QRect designed = DesignedRect(w);
        if (!(flags & SWP_NOMOVE))
            designed.moveTo(x, y);
        if (!(flags & SWP_NOSIZE))
            designed.setSize(QSize(cx, cy));
        w->setProperty(kDesignedProperty, designed);
        w->setGeometry(PlacedRect(id, designed));
    }
    if (!(flags & SWP_NOZORDER) && insertAfter == InsertAfter::Top)
        w->raise();
    if (flags & SWP_SHOWWINDOW)
        w->show();
    if (flags & SWP_HIDEWINDOW)
        w->hide();
}

void CDialog::RedrawWindow(int id)
{
    if (QWidget* w = GetDlgItem(id))
        w->repaint();
}

void CDialog::SendSetFont(int id, const QFont& font)
{
    if (QWidget* w = GetDlgItem(id)) {
        w->setFont(font);
        w->update();
    }
}

std::string CDialog::GetDlgItemText(int id) const
{
    return WindowTextBytes(GetDlgItem(id));
}

void CDialog::On(int id, Notify code, std::function<void()> handler)
{
    m_handlers[{id, code}] = std::move(handler);
}

void CDialog::SendNotify(int id, Notify code)
{
    Dispatch(id, code);
}

void CDialog::SendCommand(int id)
{
    Dispatch(id, Notify::Clicked);
}

void CDialog::Dispatch(int id, Notify code)
{
    if (m_focusNotifyPaused && (code == Notify::SetFocus || code == Notify::KillFocus))
        return;
    auto it = m_handlers.find({id, code});
    if (it != m_handlers.end()) {
        it->second();
        return;
    }
    if (code == Notify::Clicked && id == IDOK)
        OnOK();
    else if (code == Notify::Clicked && id == IDCANCEL)
        OnCancel();
}

void CDialog::DoDataExchange(DataExchange&) {}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::OnOK()
{
    UpdateData(true);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::OnClose()
{
    OnCancel();
}

bool CDialog::OnHelpInfo()
{
    return false;
}

void CDialog::OnContextMenu(const QPoint&) {}

bool CDialog::OnEscapeKey(int)
{
    return false;
}

QString CutTextToolTip(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        const QString text = label->text();
        if (text.isEmpty())
            return {};
        const int shown = label->fontMetrics().horizontalAdvance(text);
        return shown > label->contentsRect().width() ? text : QString();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(control)) {
        const QString text = combo->currentText();
        if (text.isEmpty())
            return {};
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        option.frame = combo->hasFrame();
        const QRect field =
            combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
        return combo->fontMetrics().horizontalAdvance(text) > field.width() ? text : QString();
    }
    return {};
}

void CDialog::accept()
{
    SendCommand(IDOK);
}

void CDialog::reject()
{
    SendCommand(IDCANCEL);
}

void CDialog::closeEvent(QCloseEvent* event)
{
    if (m_ended || !isVisible()) {
        event->accept();
        return;
    }
    event->ignore();
    OnClose();
}

void CDialog::contextMenuEvent(QContextMenuEvent* event)
{
    OnContextMenu(event->globalPos());
}

bool CDialog::event(QEvent* e)
{
    return QDialog::event(e);
}

void CDialog::FocusNextTabStopAfter(size_t index)
{
    // A group box's mnemonic goes to the first input control it frames (a
    // checked radio button before the others), else to the first button it
    // frames, else to the next tab stop after it.
    const QRect frame = m_controls[index]->geometry();
    auto usable = [&](size_t i) {
        QWidget* w = m_controls[i];
        return (m_template.controls[i].style & kTabStop) && w->isVisible() && w->isEnabled();
    };
    QWidget* button = nullptr;
    for (size_t i = 0; i < m_controls.size(); ++i) {
        if (i == index || !usable(i) || !frame.contains(m_controls[i]->geometry()))
            continue;
        QWidget* w = m_controls[i];
        if (auto* radio = qobject_cast<QRadioButton*>(w)) {
            for (QRadioButton* other : findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly))
                if (other->isChecked() && frame.contains(other->geometry()))
                    radio = other;
            radio->setFocus(Qt::ShortcutFocusReason);
            return;
        }
        if (qobject_cast<QPushButton*>(w)) {
            if (!button)
                button = w;
            continue;
        }
        w->setFocus(Qt::ShortcutFocusReason);
        return;
    }
    if (button) {
        button->setFocus(Qt::ShortcutFocusReason);
        return;
    }
    for (size_t n = 1; n <= m_controls.size(); ++n) {
        size_t i = (index + n) % m_controls.size();
        if (usable(i)) {
            m_controls[i]->setFocus(Qt::ShortcutFocusReason);
            return;
        }
    }
}

bool CDialog::eventFilter(QObject* watched, QEvent* event)
{
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::ToolTip && w->toolTip().isEmpty()) {
        // A text that is cut shows whole in the tooltip.
        const QString whole = CutTextToolTip(w);
        if (whole.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), whole, w);
        return true;
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape
        && static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier && w->property(kIndexProperty).isValid()) {
        const int index = w->property(kIndexProperty).toInt();
        if (OnEscapeKey(m_template.controls[static_cast<size_t>(index)].id))
            return true;
    }
    if (event->type() == QEvent::Shortcut && qobject_cast<QGroupBox*>(w)) {
        FocusNextTabStopAfter(static_cast<size_t>(w->property(kIndexProperty).toInt()));
        return true;
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        // A combo's edit field reports for the combo.
        QWidget* control = w;
        if (qobject_cast<QLineEdit*>(w) && qobject_cast<QComboBox*>(w->parentWidget()))
            control = w->parentWidget();
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Focus that only leaves for a pop-up or another window and comes
        // back is no move of the user's.
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
            return QDialog::eventFilter(watched, event);
        const bool in = event->type() == QEvent::FocusIn;
        if (control->property("tovelFocusReported").toBool() == in)
            return QDialog::eventFilter(watched, event);
        control->setProperty("tovelFocusReported", in);
        const int index = control->property(kIndexProperty).toInt();
        const int id = m_template.controls[static_cast<size_t>(index)].id;
        Dispatch(id, in ? Notify::SetFocus : Notify::KillFocus);
    }
    return QDialog::eventFilter(watched, event);
}

void DDX_Text(DataExchange& dx, int id, std::string& value)
{
    QWidget* w = dx.Dialog().GetDlgItem(id);
    if (!w)
        return;
    if (dx.SaveAndValidate())
        value = WindowTextBytes(w);
    else
        SetWindowTextBytes(w, value);
}

void DDX_Text(DataExchange& dx, int id, SharedText& value)
{
    QWidget* w = dx.Dialog().GetDlgItem(id);
    auto* view = qobject_cast<ByteTextView*>(w);
    if (!view) {
        std::string bytes = value;
        DDX_Text(dx, id, bytes);
        if (dx.SaveAndValidate())
            value = std::move(bytes);
        return;
    }
    // The view and the field hold the same buffer.
    if (dx.SaveAndValidate())
        value = SharedText(view->Text());
    else
        view->SetText(value.Share());
}

void DDX_CBIndex(DataExchange& dx, int id, int& index)
{
    ComboBox* combo = dx.Dialog().Combo(id);
    if (!combo)
        return;
    if (dx.SaveAndValidate())
        index = combo->GetCurSel();
    else
        combo->SetCurSel(index);
}

void DDX_Radio(DataExchange& dx, int firstId, int& index)
{
    // The group: the radio buttons from firstId on, in template order, up
    // to the next control that starts a group or is no radio button.
    std::vector<QRadioButton*> group;
    const auto& controls = dx.Dialog().findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly);
    auto* first = qobject_cast<QRadioButton*>(dx.Dialog().GetDlgItem(firstId));
    if (!first)
        return;
    bool inGroup = false;
    for (QRadioButton* radio : controls) {
        if (radio == first)
            inGroup = true;
        else if (inGroup && radio->property("tovelGroupStart").toBool())
            break;
        if (inGroup)
            group.push_back(radio);
    }
    if (dx.SaveAndValidate()) {
        index = -1;
        for (size_t i = 0; i < group.size(); ++i)
            if (group[i]->isChecked())
                index = static_cast<int>(i);
        return;
    }
    for (QRadioButton* radio : group)
        radio->setAutoExclusive(false);
    for (size_t i = 0; i < group.size(); ++i)
        group[i]->setChecked(static_cast<int>(i) == index);
    for (QRadioButton* radio : group)
        radio->setAutoExclusive(true);
}

} // namespace tovel
