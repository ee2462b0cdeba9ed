#include "ui/MainWindowLayout.h"

#include "platform/ByteTextView.h"
#include "platform/Controls.h"
#include "ui/CCallWizardDlg.h"
#include "ui/ControlIds.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>

namespace tovel {

namespace {

bool AnchoredRight(int id)
{
    return id == IDC_SHOW || id == IDC_UNLIST || id == IDC_ADD || id == IDC_COPY || id == IDC_EXIT;
}

} // namespace

void MainWindowLayout::SetWindowSize(QSize size)
{
    m_extra =
        QSize(std::max(0, size.width() - m_designedSize.width()), std::max(0, size.height() - m_designedSize.height()));
    m_windowHeight = std::max(size.height(), m_designedSize.height());
}

QRect MainWindowLayout::Place(int id, const QRect& designed) const
{
    QRect r = designed;
    if (id == IDC_SOURCE) {
        r.setWidth(r.width() + m_extra.width());
        r.setHeight(r.height() + m_extra.height());
        return r;
    }
    // A control as wide as the view, or wider, spans the window.
    if (r.left() <= m_view.left() + 2 && r.right() >= m_view.right() - 2)
        r.setWidth(r.width() + m_extra.width());
    else if (AnchoredRight(id))
        r.translate(m_extra.width(), 0);
    if (r.top() > m_view.bottom())
        r.translate(0, m_extra.height());
    return r;
}

QRect MainWindowLayout::FitOptionList(const QRect& placed, int neededHeight, int panelTop, int viewTop) const
{
    if (neededHeight <= placed.height())
        return placed;
    QRect r = placed;
    if (placed.top() + neededHeight <= m_windowHeight) {
        r.setHeight(neededHeight);
        return r;
    }
    if (m_extra.height() <= 0)
        return placed;
    const int height = std::min(neededHeight, panelTop - viewTop);
    if (height <= placed.height())
        return placed;
    return QRect(placed.left(), panelTop - height, placed.width(), height);
}

// ---- The main dialog's part ----

void CCallWizardDlg::AllowResizing()
{
    const QRect view = DesignedRect(GetDlgItem(IDC_SOURCE));
    m_layout.emplace(size(), view);
    setMinimumSize(size());
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    // An option list fits its items again each time they change.
    const auto& controls = Template().controls;
    for (size_t i = 0; i < controls.size(); ++i)
        if (auto* list = qobject_cast<ListBox*>(ControlAt(i))) {
            const int id = controls[i].id;
            const auto fit = [this, list, id] { FitOptionList(list, id); };
            connect(list->model(), &QAbstractItemModel::rowsInserted, this, fit);
            connect(list->model(), &QAbstractItemModel::rowsRemoved, this, fit);
        }
}

QRect CCallWizardDlg::PlacedRect(int id, const QRect& designed) const
{
    return m_layout ? m_layout->Place(id, designed) : designed;
}

void CCallWizardDlg::LayOutControls()
{
    if (!m_layout)
        return;
    m_layout->SetWindowSize(size());
    const auto& controls = Template().controls;
    for (size_t i = 0; i < controls.size(); ++i) {
        QWidget* control = ControlAt(i);
        control->setGeometry(m_layout->Place(controls[i].id, DesignedRect(control)));
        if (auto* list = qobject_cast<ListBox*>(control))
            FitOptionList(list, controls[i].id);
    }
}

void CCallWizardDlg::FitOptionList(ListBox* list, int id)
{
    if (!m_layout)
        return;
    const QRect placed = m_layout->Place(id, DesignedRect(list));
    if (list->count() == 0 || placed.height() <= 1) {
        list->setGeometry(placed);
        return;
    }
    const int rows = list->count();
    const int needed = list->sizeHintForRow(0) * rows + 2 * list->frameWidth();
    const QRect panel = m_layout->Place(IDC_PARAMETERS_GROUP, DesignedRect(GetDlgItem(IDC_PARAMETERS_GROUP)));
    list->setGeometry(m_layout->FitOptionList(placed, needed, panel.top(), m_edSource->geometry().top()));
}

void CCallWizardDlg::resizeEvent(QResizeEvent* event)
{
    CDialog::resizeEvent(event);
    LayOutControls();
}

} // namespace tovel
