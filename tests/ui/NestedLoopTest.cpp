// Leaves that go while a nested event loop runs, as a user meets them in the information pane:
// a recipient row's popup menu runs a real modal dialog, during which a table reload replaces
// the recipients; and a row that still names a leaf that has gone.
#include "TestLeaves.h"

#include "../framework/WaitUntil.h"
#include "framework/CommandActions.h"
#include "framework/Messages.h"
#include "framework/ScriptedUiHost.h"
#include "methods/MethodLeaf.h"
#include "methods/SmtpDlg.h"
#include "records/RecipientRecords.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "ui/AlertListWnd.h"
#include "ui/AlertTreeWnd.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class NestedLoopFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Switches::Reset();
        m_window = std::make_unique<QWidget>();
        m_window->resize(700, 400);
        auto* layout = new QHBoxLayout(m_window.get());
        m_treeWnd = new CAlertTreeWnd(m_window.get());
        m_pane = new CAlertListWnd(m_window.get());
        layout->addWidget(m_treeWnd);
        layout->addWidget(m_pane, 1);
        m_treeWnd->SetInfoPane(m_pane);
        m_root = new CAlertLeaf(m_treeWnd->GetTree());
        m_window->show();
    }
    void TearDown() override
    {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        m_window.reset();
        delete m_root;
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Switches::Reset();
    }

    // An SMTP method with two recipients, shown in the pane.
    CSMTPMethodLeaf* ShowSmtpMethod()
    {
        auto* method = new CSMTPMethodLeaf;
        EXPECT_TRUE(m_root->InsertChild(method));
        Reload(method, Records::MakeSmtpRecord("a@example.com", "Alpha") +
                           Records::MakeSmtpRecord("b@example.com", "Bravo"));
        method->Select();
        QApplication::processEvents();
        return method;
    }
    // What a table reload does to the method: its recipients are replaced by these records.
    static void Reload(CMethodLeaf* method, const QByteArray& records)
    {
        RECORDBLOCK block;
        block.count = int32_t(records.size() / 197);
        block.records = reinterpret_cast<const BYTE*>(records.constData());
        block.size = size_t(records.size());
        ASSERT_TRUE(method->SetData(&block, 2));
        // The table shows its selected leaf again after a reload.
        if (method->IsSelected())
            method->Redisplay();
    }
    // The records the method would write.
    static QByteArray Stored(CMethodLeaf* method)
    {
        QByteArray bytes(qsizetype(method->GetDataSize(2)), '\0');
        OUTPUTDESC out;
        out.position = reinterpret_cast<BYTE*>(bytes.data());
        out.room = size_t(bytes.size());
        EXPECT_TRUE(method->GetData(&out, 2));
        return bytes.left(out.count * 197);
    }
    // Right-clicks the row with the mouse and chooses the command in its menu with the mouse.
    void ChooseFromRowMenu(int row, UINT command)
    {
        QWidget* viewport = m_pane->GetList()->Rows()->viewport();
        const int height = m_pane->GetList()->RowHeight();
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(20, row * height + height / 2));
        QTest::mouseClick(viewport, Qt::RightButton, Qt::NoModifier, QPoint(20, row * height + height / 2));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QAction* action = FindCommandAction(menu, command);
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->isEnabled());
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(action).center());
    }
    // Answers the modal windows the real host opens, in turn, from inside their own loops.
    void AnswerModals(std::vector<std::function<void(QWidget*)>> steps)
    {
        m_steps = std::move(steps);
        m_answered = 0;
        auto* timer = new QTimer(m_window.get());
        QObject::connect(timer, &QTimer::timeout, [this, timer] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || m_answered >= m_steps.size() || modal == m_lastModal)
                return;
            m_lastModal = modal;
            m_steps[m_answered++](modal);
            if (m_answered == m_steps.size())
                timer->stop();
        });
        timer->start(5);
    }

    QtUiHost m_realHost;
    ScopedUiHost m_hostScope{&m_realHost};
    std::unique_ptr<QWidget> m_window;
    CAlertTreeWnd* m_treeWnd = nullptr;
    CAlertListWnd* m_pane = nullptr;
    CAlertLeaf* m_root = nullptr;
    std::vector<std::function<void(QWidget*)>> m_steps;
    size_t m_answered = 0;
    QWidget* m_lastModal = nullptr;
};

TEST_F(NestedLoopFixture, EditFromARowMenuWhoseRecipientIsReloadedAwayThenEscape)
{
    CSMTPMethodLeaf* method = ShowSmtpMethod();
    const QByteArray reloaded = Records::MakeSmtpRecord("c@example.com", "Charlie");
    bool sawDialog = false;
    AnswerModals({[&](QWidget* modal) {
        sawDialog = dynamic_cast<CSmtpRecipientDlg*>(modal) != nullptr;
        Reload(method, reloaded);
        QTest::keyClick(modal, Qt::Key_Escape);
    }});
    ChooseFromRowMenu(1, ID_EDIT_EDIT);
    ASSERT_TRUE(WaitUntil([&] { return m_answered == 1 && !QApplication::activeModalWidget(); }));
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sawDialog);
    EXPECT_EQ(Stored(method), reloaded);
    ASSERT_EQ(m_pane->GetList()->GetCount(), 1);
    EXPECT_EQ(m_pane->GetList()->GetRowObject(0), method->GetFirstChild());
}

TEST_F(NestedLoopFixture, EditFromARowMenuWhoseRecipientIsReloadedAwayThenOk)
{
    CSMTPMethodLeaf* method = ShowSmtpMethod();
    const QByteArray reloaded = Records::MakeSmtpRecord("c@example.com", "Charlie");
    QString boxText;
    AnswerModals({[&](QWidget* modal) {
                      Reload(method, reloaded);
                      FindCtrl<QLineEdit>(modal, 1074)->setText(QStringLiteral("typed"));
                      // Clicked from the dialog's loop, so that the box it opens is answered too.
                      QMetaObject::invokeMethod(FindCtrl<QPushButton>(modal, IDOK), "click", Qt::QueuedConnection);
                  },
                  [&](QWidget* modal) {
                      auto* box = qobject_cast<QMessageBox*>(modal);
                      ASSERT_NE(box, nullptr);
                      boxText = box->text();
                      QTest::keyClick(box, Qt::Key_Return);
                  }});
    ChooseFromRowMenu(0, ID_EDIT_EDIT);
    ASSERT_TRUE(WaitUntil([&] { return m_answered == 2 && !QApplication::activeModalWidget(); }));
    QApplication::processEvents();
    EXPECT_EQ(boxText, LoadString(IDS_EDITED_ITEM_GONE));
    EXPECT_EQ(Stored(method), reloaded) << "nothing typed reached the reloaded records";
    EXPECT_FALSE(method->IsModified());
}

TEST_F(NestedLoopFixture, ARowWhoseLeafHasGoneHasNoMenu)
{
    std::vector<LeafEvent> events;
    auto* parent = new CTestLeaf(QStringLiteral("parent"), &events);
    ASSERT_TRUE(m_root->InsertChild(parent));
    // A row bound to a leaf that is destroyed while the row still shows.
    auto* gone = new CTestLeaf(QStringLiteral("gone"), &events);
    parent->rows = {QStringLiteral("gone")};
    parent->objects = {gone};
    parent->Select();
    QApplication::processEvents();
    ASSERT_EQ(m_pane->GetList()->GetRowObject(0), gone);
    delete gone;
    m_pane->GetList()->SetCurSel(0);
    m_pane->SendMessage(WM_ALERT_LIST_RCLICK, CAlertListWnd::kListCtrlId, MakeLParam(5, 5));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_TRUE(events.empty());
}

} // namespace
