// The console's text picture and selection by path.
#include "TestLeaves.h"
#include "../common/TempWorld.h"

#include "res/Resources.h"
#include "ui/AlertListWnd.h"
#include "ui/AlertTreeWnd.h"
#include "ui/ConsoleDump.h"
#include "ui/MainFrame.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Creates its children only when first expanded, as the event log does.
class CLazyLeaf : public CTestLeaf {
public:
    using CTestLeaf::CTestLeaf;
    int expansions = 0;
    void OnItemExpanding(NMTREEVIEW* notify, LRESULT* result) override
    {
        ++expansions;
        if (IsUnpopulated()) {
            DeleteChildren();
            auto* record = new CTestLeaf(QStringLiteral("2024/01/05"));
            record->format = DISPLAY_TEXT;
            record->rows = {QStringLiteral("first line\r\nsecond line")};
            InsertChild(record);
        }
        CTestLeaf::OnItemExpanding(notify, result);
    }
};

class DumpFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_frame = std::make_unique<CMainFrame>();
        ASSERT_TRUE(m_frame->Create());
        m_root = new CAlertLeaf(m_frame->GetTreeWnd()->GetTree());
        m_server = Add(m_root, "SERVER1");
        m_server->listChildren = true;
        m_server->heading = QStringLiteral("Kind");
        m_server->statusText = QStringLiteral("running");
        CTestLeaf* config = Add(m_server, "Config");
        config->heading = QStringLiteral("Method\tRecipient");
        config->rows = {QStringLiteral("Pager\tann"), QStringLiteral("Mail\tbob")};
        Add(config, "QUELLIT/2");
        m_log = new CLazyLeaf(QStringLiteral("Log"));
        m_server->InsertChild(m_log);
        m_log->InsertChild(new CAlertLeaf()); // placeholder so the item can be expanded
        m_frame->show();
    }
    void TearDown() override
    {
        m_frame.reset();
        delete m_root;
    }
    CTestLeaf* Add(CAlertLeaf* parent, const QString& name)
    {
        auto* leaf = new CTestLeaf(name);
        parent->InsertChild(leaf);
        return leaf;
    }

    TempWorld m_world;
    std::unique_ptr<CMainFrame> m_frame;
    CAlertLeaf* m_root = nullptr;
    CTestLeaf* m_server = nullptr;
    CLazyLeaf* m_log = nullptr;
};

} // namespace

TEST_F(DumpFixture, TextShowsTreePaneAndStatusBar)
{
    m_server->Select();
    m_frame->UpdateCommandStates();
    const QString expected = QStringLiteral("SERVER1\n"
                                            "  Config\n"
                                            "    QUELLIT/2\n"
                                            "  Log\n"
                                            "    \n"
                                            "---\n"
                                            "Kind\n"
                                            "Config\n"
                                            "Log\n"
                                            "---\n")
                           + LoadString(57345) + QStringLiteral("\nrunning\n");
    EXPECT_EQ(ConsoleDump::Text(m_frame.get()), expected);
}

TEST_F(DumpFixture, WriteProducesUtf8File)
{
    QTemporaryDir dir;
    m_server->SetName(QStringLiteral("伺服器"));
    ASSERT_TRUE(ConsoleDump::Write(m_frame.get(), dir.filePath("dump.txt")));
    QFile f(dir.filePath("dump.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith(QStringLiteral("伺服器\n").toUtf8()));
    EXPECT_FALSE(ConsoleDump::Write(m_frame.get(), dir.filePath("missing/dir/dump.txt")));
}

TEST_F(DumpFixture, SelectPathExpandsOnTheWayAndShowsTheLeaf)
{
    ASSERT_TRUE(ConsoleDump::SelectPath(m_frame.get(), QStringLiteral("SERVER1/Log/2024/01/05")));
    EXPECT_EQ(m_log->expansions, 1);
    const QString dump = ConsoleDump::Text(m_frame.get());
    EXPECT_TRUE(dump.contains(QStringLiteral("  Log\n    2024/01/05\n---\nfirst line\nsecond line\n---\n"))) << qPrintable(dump);

    // Texts with '/' are found too; a path that names nothing selects nothing.
    ASSERT_TRUE(ConsoleDump::SelectPath(m_frame.get(), QStringLiteral("SERVER1/Config/QUELLIT/2")));
    EXPECT_EQ(m_frame->GetTreeWnd()->GetTree()->GetSelectedLeaf()->GetName(), "QUELLIT/2");
    EXPECT_FALSE(ConsoleDump::SelectPath(m_frame.get(), QStringLiteral("SERVER1/Nothing")));
    EXPECT_FALSE(ConsoleDump::SelectPath(m_frame.get(), QStringLiteral("SERVER1/Conf")));
    EXPECT_EQ(m_frame->GetTreeWnd()->GetTree()->GetSelectedLeaf()->GetName(), "QUELLIT/2");

    ASSERT_TRUE(ConsoleDump::SelectPath(m_frame.get(), QStringLiteral("SERVER1/Config")));
    EXPECT_TRUE(ConsoleDump::Text(m_frame.get()).contains(QStringLiteral("---\nMethod\tRecipient\nMail\tbob\nPager\tann\n---")));
}
