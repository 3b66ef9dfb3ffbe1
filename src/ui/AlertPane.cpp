#include "ui/AlertPane.h"

#include <algorithm>

BEGIN_MESSAGE_MAP(CAlertPane, CCmdTarget)
END_MESSAGE_MAP()

CAlertPane::CAlertPane(QWidget* parent)
    : QWidget(parent)
{
}

// The hosted windows are Qt children of the pane and go with it, after this destructor: their
// destroyed handlers must not reach a pane that is already half gone.
CAlertPane::~CAlertPane()
{
    for (QWidget* child : m_children)
        disconnect(child, &QObject::destroyed, this, nullptr);
}

int CAlertPane::AddChild(QWidget* child)
{
    if (!child || std::find(m_children.begin(), m_children.end(), child) != m_children.end())
        return -1;
    child->setParent(this);
    m_children.push_back(child);
    // A child that goes before the pane leaves no dangling entry behind.
    connect(child, &QObject::destroyed, this, [this](QObject* gone) {
        m_children.erase(std::remove(m_children.begin(), m_children.end(), static_cast<QWidget*>(gone)),
                         m_children.end());
        if (m_current == gone) {
            m_current = nullptr;
            setFocusProxy(nullptr);
        }
    });
    return int(m_children.size()) - 1;
}

bool CAlertPane::ShowChild(int index)
{
    if (index < 0 || index >= int(m_children.size()))
        return false;
    if (m_current && m_current != m_children[size_t(index)])
        m_current->hide();
    ShowWindow(m_children[size_t(index)]);
    return true;
}

void CAlertPane::ShowWindow(QWidget* child)
{
    if (!child)
        return;
    if (child->parentWidget() != this)
        AddChild(child);
    m_current = child;
    child->setGeometry(rect());
    child->show();
    // Focus given to the pane goes on to the shown child.
    setFocusProxy(child);
}

bool CAlertPane::OnCmdMsg(UINT id, CCmdUI* pUI)
{
    if (auto* target = dynamic_cast<CCmdTarget*>(m_current)) {
        if (target->OnCmdMsg(id, pUI))
            return true;
    }
    return CCmdTarget::OnCmdMsg(id, pUI);
}

void CAlertPane::resizeEvent(QResizeEvent*)
{
    if (m_current)
        m_current->setGeometry(rect());
}
