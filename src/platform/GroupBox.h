// A group box drawn as dialog templates expect it: the frame's top line runs
// through the middle of the title, so the box takes no room above the
// controls it frames.
#pragma once

#include <QGroupBox>

namespace tovel {

class GroupBox : public QGroupBox {
    Q_OBJECT
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tovel
