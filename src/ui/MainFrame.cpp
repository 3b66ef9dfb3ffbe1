#include "ui/MainFrame.h"

#include "mail/MapiInterface.h"

#include "framework/CommandActions.h"
#include "framework/Commands.h"
#include "framework/Switches.h"
#include "framework/UiHost.h"
#include "platform/Timing.h"
#include "platform/World.h"
#include "res/Resources.h"
#include "res/ResourceIds.h"
#include "res/StringIds.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/HelpIndex.h"
#include "tree/RegUtil.h"
#include "ui/AlertListWnd.h"
#include "ui/AlertPane.h"
#include "ui/AlertTreeWnd.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace {

constexpr UINT IDS_STATUS_PANE_SIZE = 2000;
constexpr UINT IDS_MAIL_LOGON_OK = 3510;
constexpr UINT IDS_MAIL_LOGON_FAILED = 3511;
constexpr DWORD kIdleUpdateMs = 250;

// A command's prompt string: "status text\ntooltip".
QString PromptPart(UINT id, int part)
{
    const QStringList parts = LoadString(id).split(QLatin1Char('\n'));
    if (part < parts.size())
        return parts[part];
    return parts.value(0);
}

void SetPrompts(QAction* action, UINT id)
{
    if (!Res::HasString(id))
        return;
    action->setStatusTip(PromptPart(id, 0));
    action->setToolTip(PromptPart(id, 1));
}

void SetMenuPrompts(QMenu* menu)
{
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu())
            SetMenuPrompts(sub);
        else if (UINT id = CommandIdOf(action))
            SetPrompts(action, id);
    }
}

} // namespace

BEGIN_MESSAGE_MAP(CMainFrame, CCmdTarget)
    ON_COMMAND(ID_VIEW_LARGE_TOOLBAR, OnLargeToolbar)
    ON_UPDATE_COMMAND_UI(ID_VIEW_LARGE_TOOLBAR, OnUpdateLargeToolbar)
    ON_COMMAND(ID_VIEW_SMALL_TOOLBAR, OnSmallToolbar)
    ON_UPDATE_COMMAND_UI(ID_VIEW_SMALL_TOOLBAR, OnUpdateSmallToolbar)
    ON_COMMAND(ID_FILE_MAIL_LOGON, OnMailLogon)
    ON_UPDATE_COMMAND_UI(ID_FILE_MAIL_LOGON, OnUpdateMailLogon)
    ON_COMMAND(ID_HELP_CONTENTS, OnHelpContents)
    ON_COMMAND(ID_VIEW_TOOLBAR, OnViewToolbar)
    ON_UPDATE_COMMAND_UI(ID_VIEW_TOOLBAR, OnUpdateViewToolbar)
    ON_COMMAND(ID_VIEW_STATUS_BAR, OnViewStatusBar)
    ON_UPDATE_COMMAND_UI(ID_VIEW_STATUS_BAR, OnUpdateViewStatusBar)
    ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent)
{
}

CMainFrame::~CMainFrame()
{
    if (m_idleTimer)
        m_idleTimer->stop();
    disconnect(qApp, nullptr, this, nullptr);
    // The tree goes first: its leaves tell the information pane to forget them.
    delete m_treeWnd;
    m_treeWnd = nullptr;
}

bool CMainFrame::Create()
{
    setWindowTitle(LoadString(IDS_APP_TITLE));
    setWindowIcon(Res::Icon(IDR_MAINFRAME));
    // The initial rectangle: left 10, top 10, right 630, bottom 430.
    move(10, 10);
    resize(620, 420);
    BuildMenu();
    LoadAccelerators();
    if (!CreateToolBar() || !CreateStatusBar() || !CreateClient())
        return false;
    m_created = true;

    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::OnFocusChanged);
    m_idleTimer = new QTimer(this);
    m_idleTimer->setInterval(int(Timing::Scaled(kIdleUpdateMs)));
    connect(m_idleTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
    m_idleTimer->start();
    m_leftPane->setFocus();
    UpdateCommandStates();
    return true;
}

// ---- creation ---------------------------------------------------------------------------------

void CMainFrame::BuildMenu()
{
    const Res::MenuItem* bar = Res::Menu(IDR_MAINFRAME);
    if (!bar)
        return;
    for (const Res::MenuItem& popup : bar->children) {
        if (popup.children.empty())
            continue;
        QMenu* menu = menuBar()->addMenu(popup.text);
        AppendMenuItems(menu, popup);
        SetMenuPrompts(menu);
        // States come from the update queries just before the menu opens.
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenuActions(menu, this); });
        connect(menu, &QMenu::triggered, this, [this](QAction* action) {
            if (UINT id = CommandIdOf(action))
                ExecuteCommand(id);
        });
    }
}

void CMainFrame::LoadAccelerators()
{
    for (const Res::Accelerator& accel : Res::Accelerators(IDR_MAINFRAME)) {
        if (accel.keys.isEmpty())
            continue;
        auto* action = NewCommandAction(accel.command, QString(), this);
        action->setShortcut(accel.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        const UINT id = accel.command;
        connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
        addAction(action);
    }
}

bool CMainFrame::CreateToolBar()
{
    m_toolBar = new QToolBar(LoadString(IDS_TOOLBAR_TITLE), this);
    m_toolBar->setObjectName(QStringLiteral("toolbar"));
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_toolBar->setMovable(true);
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    const bool large = ConsoleSettings::LargeToolbarOn();
    return LoadToolBar(large ? IDR_TOOLBAR_LARGE : IDR_TOOLBAR_SMALL);
}

bool CMainFrame::LoadToolBar(UINT toolbarId)
{
    const std::vector<UINT> commands = Res::ToolbarCommands(toolbarId);
    if (commands.empty())
        return false;
    m_toolBar->clear();
    m_toolActions.clear();
    m_toolBar->setIconSize(Res::ToolbarButtonSize(toolbarId));
    for (UINT id : commands) {
        if (id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = NewCommandAction(id, PromptPart(id, 1), m_toolBar);
        action->setIcon(QIcon(Res::ToolbarImage(toolbarId, id)));
        SetPrompts(action, id);
        // The pause button stays pressed while the service is paused.
        if (id == ID_SERVICE_PAUSE)
            action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
        m_toolBar->addAction(action);
        m_toolActions[id] = action;
    }
    m_toolBarId = toolbarId;
    return true;
}

bool CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    m_messagePane = new QLabel(LoadString(IDS_FW_IDLE_MESSAGE), bar);
    m_messagePane->setObjectName(QStringLiteral("messagePane"));
    m_servicePane = new QLabel(bar);
    m_servicePane->setObjectName(QStringLiteral("servicePane"));
    m_servicePane->setProperty("ctrlId", int(ID_INDICATOR_SERVICE));
    // The pane is as wide as its sizing text.
    const int width = m_servicePane->fontMetrics().horizontalAdvance(LoadString(IDS_STATUS_PANE_SIZE))
                    + 2 * m_servicePane->fontMetrics().averageCharWidth();
    m_servicePane->setMinimumWidth(width);
    m_servicePane->setFrameShape(QFrame::NoFrame);
    m_rowsPane = new QLabel(bar);
    m_rowsPane->setObjectName(QStringLiteral("rowsPane"));
    bar->addWidget(m_messagePane, 1);
    bar->addPermanentWidget(m_rowsPane);
    bar->addPermanentWidget(m_servicePane);
    return true;
}

bool CMainFrame::CreateClient()
{
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    m_leftPane = new CAlertPane(m_splitter);
    m_rightPane = new CAlertPane(m_splitter);
    m_splitter->addWidget(m_leftPane);
    m_splitter->addWidget(m_rightPane);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    setCentralWidget(m_splitter);
    m_splitter->setSizes({kTreePaneWidth, std::max(1, width() - kTreePaneWidth)});

    m_treeWnd = new CAlertTreeWnd(m_leftPane);
    m_infoPane = new CAlertListWnd(m_rightPane);
    if (m_leftPane->AddChild(m_treeWnd) < 0 || m_rightPane->AddChild(m_infoPane) < 0)
        return false;
    m_treeWnd->GetTree()->SetFrameRoute(this);
    m_treeWnd->SetInfoPane(m_infoPane);
    connect(m_infoPane, &CAlertListWnd::StatusText, this, [this](const QString& text) {
        m_rowsPane->setText(text);
        // Shown at once, also while a long load keeps the event loop from painting.
        m_rowsPane->repaint();
    });
    m_leftPane->ShowWindow(m_treeWnd);
    m_rightPane->ShowWindow(m_infoPane);
    m_activeView = m_leftPane;
    return true;
}

// ---- routing ----------------------------------------------------------------------------------

bool CMainFrame::IsInLeftPane(const QWidget* widget) const
{
    return widget && m_leftPane && (widget == m_leftPane || m_leftPane->isAncestorOf(widget));
}

void CMainFrame::OnFocusChanged(QWidget*, QWidget* now)
{
    if (!now || !m_leftPane)
        return;
    if (IsInLeftPane(now))
        m_activeView = m_leftPane;
    else if (now == m_rightPane || m_rightPane->isAncestorOf(now))
        m_activeView = m_rightPane;
}

bool CMainFrame::OnCmdMsg(UINT id, CCmdUI* pUI)
{
    if (m_created) {
        if (id == ID_FILE_PRINT || id == ID_FILE_EXPORT_LIST) {
            // The information pane prints and exports what it shows, wherever the focus is.
            if (m_rightPane->OnCmdMsg(id, pUI))
                return true;
        } else if (IsInLeftPane(focusWidget())) {
            if (m_leftPane->OnCmdMsg(id, pUI))
                return true;
        }
        CAlertPane* active = m_activeView ? m_activeView.data() : m_leftPane;
        if (active->OnCmdMsg(id, pUI))
            return true;
        // An information pane with nothing to route to (no row selected, or its rows went with
        // a reload) leaves the command to the leaf selected in the tree, so that commands and
        // update queries still reach a live leaf. A delete goes only where the user selected.
        if (active == m_rightPane && id != ID_EDIT_DELETE && !m_infoPane->HasCommandTarget() &&
            m_leftPane->OnCmdMsg(id, pUI))
            return true;
    }
    return CCmdTarget::OnCmdMsg(id, pUI);
}

void CMainFrame::ExecuteCommand(UINT id)
{
    OnCmdMsg(id, nullptr);
    UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates()
{
    if (!m_created)
        return;
    for (auto& [id, action] : m_toolActions)
        UpdateCommandAction(action, this);
    CCmdUI ui(ID_INDICATOR_SERVICE);
    const bool handled = OnCmdMsg(ID_INDICATOR_SERVICE, &ui);
    // A pane nobody answers, or one its answer disables, shows no text.
    const bool shown = handled && ui.TextChanged() && (!ui.EnableChanged() || ui.IsEnabled());
    const QString text = shown ? ui.GetText() : QString();
    if (m_servicePane->text() != text)
        m_servicePane->setText(text);
}

QAction* CMainFrame::MenuAction(UINT id) const
{
    for (QAction* top : menuBar()->actions())
        if (QAction* found = FindCommandAction(top->menu(), id))
            return found;
    return nullptr;
}

QAction* CMainFrame::ToolBarAction(UINT id) const
{
    auto it = m_toolActions.find(id);
    return it == m_toolActions.end() ? nullptr : it->second;
}

QString CMainFrame::MessagePaneText() const
{
    const QString temporary = statusBar()->currentMessage();
    return temporary.isEmpty() && m_messagePane ? m_messagePane->text() : temporary;
}

QString CMainFrame::RowsPaneText() const
{
    return m_rowsPane ? m_rowsPane->text() : QString();
}

QString CMainFrame::ServicePaneText() const
{
    return m_servicePane ? m_servicePane->text() : QString();
}

// ---- single instance --------------------------------------------------------------------------

LRESULT CMainFrame::OnBringUpAlert(WPARAM wParam, LPARAM lParam)
{
    if (wParam != BRING_UP_WPARAM || lParam != BRING_UP_LPARAM)
        return 0;
    if (isMinimized())
        showNormal();
    else
        raise();
    activateWindow();
    return BRING_UP_REPLY;
}

// ---- frame commands ---------------------------------------------------------------------------

void CMainFrame::SwitchToolBar(UINT toolbarId, bool large)
{
    m_toolBar->hide();
    LoadToolBar(toolbarId);
    m_toolBar->show();
    ConsoleSettings::Set(ConsoleSettings::LargeToolbar, large ? 1 : 0);
    UpdateCommandStates();
}

void CMainFrame::OnLargeToolbar()
{
    SwitchToolBar(IDR_TOOLBAR_LARGE, true);
}

void CMainFrame::OnSmallToolbar()
{
    SwitchToolBar(IDR_TOOLBAR_SMALL, false);
}

void CMainFrame::OnUpdateLargeToolbar(CCmdUI* pUI)
{
    if (m_toolBar->isVisibleTo(this)) {
        pUI->Enable(true);
        pUI->SetCheck(ConsoleSettings::LargeToolbarOn() ? 1 : 0);
    } else {
        pUI->Enable(false);
    }
}

void CMainFrame::OnUpdateSmallToolbar(CCmdUI* pUI)
{
    if (m_toolBar->isVisibleTo(this)) {
        pUI->Enable(true);
        pUI->SetCheck(ConsoleSettings::LargeToolbarOn() ? 0 : 1);
    } else {
        pUI->Enable(false);
    }
}

void CMainFrame::OnMailLogon()
{
    // The mail client asks for the profile itself.
    CMapiInterface& mapi = CMapiInterface::Instance();
    if (!mapi.IsMapiAvailable())
        return;
    const ULONG result = mapi.Logon(nullptr, "", "", MAPI_LOGON_UI, 0);
    AfxMessageBox(result == 0 ? IDS_MAIL_LOGON_OK : IDS_MAIL_LOGON_FAILED, MB_OK);
}

void CMainFrame::OnUpdateMailLogon(CCmdUI* pUI)
{
    pUI->Enable(CMapiInterface::Instance().IsMapiAvailable());
}

void CMainFrame::OnHelpContents()
{
    OpenHelpIndex();
}

void CMainFrame::OnViewToolbar()
{
    m_toolBar->setVisible(!m_toolBar->isVisibleTo(this));
}

void CMainFrame::OnUpdateViewToolbar(CCmdUI* pUI)
{
    pUI->Enable(true);
    pUI->SetCheck(m_toolBar->isVisibleTo(this) ? 1 : 0);
}

void CMainFrame::OnViewStatusBar()
{
    statusBar()->setVisible(!statusBar()->isVisibleTo(this));
}

void CMainFrame::OnUpdateViewStatusBar(CCmdUI* pUI)
{
    pUI->Enable(true);
    pUI->SetCheck(statusBar()->isVisibleTo(this) ? 1 : 0);
}

void CMainFrame::OnAppExit()
{
    close();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_idleTimer)
        m_idleTimer->stop();
    QMainWindow::closeEvent(event);
}
