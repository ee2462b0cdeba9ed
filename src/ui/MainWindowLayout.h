// How the main window places its controls when it is larger than its
// designed size: the source view takes the extra room, the controls below
// the view move down by the extra height, the buttons at the right edge move
// right by the extra width, and what spans the window (the group boxes, the
// two lists) grows as wide. Every other control keeps its designed place, so
// the lists and the panel keep their order; at the designed size nothing moves.
#pragma once

#include <QRect>
#include <QSize>

namespace tovel {

class MainWindowLayout {
public:
    // designedSize: the inside of the window at which every control stands
    // at its designed place; view: the source view's designed rectangle.
    MainWindowLayout(QSize designedSize, QRect view) : m_designedSize(designedSize), m_view(view) {}

    // The window's inside now; a size below the designed one counts as it.
    void SetWindowSize(QSize size);
    QSize Extra() const { return m_extra; }
    // The panel gained or lost a row of slots: the designed window is that
    // much taller or shorter (call SetWindowSize again afterwards).
    void SetDesignedHeight(int height) { m_designedSize.setHeight(height); }

    // Where the control id whose designed place is designed stands now.
    QRect Place(int id, const QRect& designed) const;

    // Where an option list placed at placed (under its slot) goes when it
    // needs neededHeight to show every item: taller down to the window's
    // bottom when that is room enough; otherwise, in a window grown taller,
    // above the parameter panel (whose top is panelTop), as tall as needed
    // and the view's top allows. In a window of the designed height it
    // stays where it was placed.
    QRect FitOptionList(const QRect& placed, int neededHeight, int panelTop, int viewTop) const;

private:
    QSize m_designedSize;
    QRect m_view;
    QSize m_extra;
    int m_windowHeight = 0;
};

} // namespace tovel
