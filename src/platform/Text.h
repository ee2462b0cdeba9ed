// Moving byte strings in and out of Qt widgets.
//
// The program's texts are bytes in the system's 8-bit encoding (UTF-8 on
// Linux). A control that was given bytes keeps them, so reading the text
// back gives the very same bytes even where they are not valid in that
// encoding, as long as the user has not changed what the control shows.
#pragma once

#include <QString>
#include <string>
#include <string_view>

class QWidget;

namespace tovel {

QString FromBytes(const std::string& bytes);
QString FromBytes(std::string_view bytes);
std::string ToBytes(const QString& text);

// Window text of a control (label, button, line edit, multi-line edit, combo box's edit field).
void SetWindowTextBytes(QWidget* control, const std::string& bytes);
std::string WindowTextBytes(const QWidget* control);

} // namespace tovel
