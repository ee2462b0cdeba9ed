#include "platform/Text.h"

#include "platform/ByteTextView.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>

namespace tovel {

namespace {

constexpr const char* kBytesProperty = "tovelBytes";
constexpr const char* kShownProperty = "tovelShown";

QString ShownText(const QWidget* control)
{
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(control))
        return group->title();
    if (auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentText();
    return {};
}

} // namespace

QString FromBytes(const std::string& bytes)
{
    return FromBytes(std::string_view(bytes));
}

QString FromBytes(std::string_view bytes)
{
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text)
{
    const QByteArray local = text.toLocal8Bit();
    return std::string(local.constData(), static_cast<size_t>(local.size()));
}

void SetWindowTextBytes(QWidget* control, const std::string& bytes)
{
    if (!control)
        return;
    QString shown;
    if (auto* view = qobject_cast<ByteTextView*>(control)) {
        // Pushing the same text again keeps the view (and where it is scrolled to) as it is.
        view->SetText(std::make_shared<const std::string>(bytes));
        return;
    }
    shown = FromBytes(bytes);
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(shown);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(shown);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(shown);
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(shown);
    else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->isEditable())
            combo->setEditText(shown);
    }
    control->setProperty(kBytesProperty, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    control->setProperty(kShownProperty, ShownText(control));
}

std::string WindowTextBytes(const QWidget* control)
{
    if (!control)
        return {};
    if (auto* view = qobject_cast<const ByteTextView*>(control))
        return *view->Text();
    const QVariant stored = control->property(kBytesProperty);
    const QString shown = ShownText(control);
    if (stored.isValid() && control->property(kShownProperty).toString() == shown) {
        const QByteArray bytes = stored.toByteArray();
        return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    return ToBytes(shown);
}

} // namespace tovel
