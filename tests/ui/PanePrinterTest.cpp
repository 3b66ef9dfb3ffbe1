// Printing the information pane: column layout, fitting, text lines and PDF pages.
#include "ui/PanePrinter.h"

#include "res/Resources.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int PdfPageCount(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QString text = QString::fromLatin1(f.readAll());
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    int n = 0;
    for (auto it = page.globalMatch(text); it.hasNext(); it.next())
        ++n;
    return n;
}

PanePrint::Content ListContent(int rows)
{
    PanePrint::Content c;
    c.header = QStringLiteral("Title - Leaf");
    c.screenWidths = {100, 200, 100};
    for (int i = 0; i < rows; ++i)
        c.rows.push_back(QStringList{QString::number(i), QStringLiteral("row %1").arg(i), QStringLiteral("x")});
    return c;
}

} // namespace

TEST(PanePrintLayout, ColumnsShareThePageInProportion)
{
    const auto cols = PanePrint::LayoutColumns({100, 200, 100}, 800);
    ASSERT_EQ(cols.size(), 3u);
    EXPECT_EQ(cols[0].left, 0);
    EXPECT_EQ(cols[0].width, 200);
    EXPECT_EQ(cols[1].left, 200);
    EXPECT_EQ(cols[1].width, 400);
    EXPECT_EQ(cols[2].left, 600);
    EXPECT_EQ(cols[2].width, 200);

    // Rounding never leaves the row short of the page; hidden columns stay hidden.
    const auto odd = PanePrint::LayoutColumns({33, 33, 0, 33}, 1000);
    EXPECT_EQ(odd[2].width, 0);
    EXPECT_EQ(odd[3].left + odd[3].width, 1000);
}

TEST(PanePrintLayout, DateColumnHasAFixedWidthAndTheRestShareTheRemainder)
{
    const int dpi = 600;
    const int fixed = int(PanePrint::DateColumnInches * dpi + 0.5);
    EXPECT_EQ(fixed, 975);
    const auto cols = PanePrint::LayoutColumns({50, 100, 300}, 4500, fixed);
    EXPECT_EQ(cols[0].width, 975);
    EXPECT_EQ(cols[1].left, 975);
    EXPECT_EQ(cols[1].width, (4500 - 975) / 4);
    EXPECT_EQ(cols[2].left + cols[2].width, 4500);
    // A page narrower than the date column gives it the whole width.
    const auto narrow = PanePrint::LayoutColumns({50, 100}, 500, fixed);
    EXPECT_EQ(narrow[0].width, 500);
    EXPECT_EQ(narrow[1].width, 0);
}

TEST(PanePrintLayout, OnlyTheTwoLogTitlesGetTheDateColumn)
{
    EXPECT_TRUE(PanePrint::HasDateColumn(LoadString(5008)));
    EXPECT_TRUE(PanePrint::HasDateColumn(LoadString(4510)));
    EXPECT_FALSE(PanePrint::HasDateColumn(LoadString(5015)));
    EXPECT_FALSE(PanePrint::HasDateColumn(QString()));
}

TEST(PanePrintLayout, WideCharactersCountDoubleUnderCjkLocales)
{
    const QString mixed = QStringLiteral("ab\u4E2D\u6587cd"); // ab中文cd
    EXPECT_EQ(PanePrint::TextCells(mixed, true), 8);
    EXPECT_EQ(PanePrint::TextCells(mixed, false), 6);
    EXPECT_EQ(PanePrint::FitText(mixed, 3, true), QStringLiteral("ab"));
    EXPECT_EQ(PanePrint::FitText(mixed, 4, true), QStringLiteral("ab\u4E2D"));
    EXPECT_EQ(PanePrint::FitText(mixed, 4, false), QStringLiteral("ab\u4E2D\u6587"));
    EXPECT_EQ(PanePrint::FitText(mixed, 0, false), QString());
    EXPECT_EQ(PanePrint::FitText(mixed, 100, true), mixed);
}

TEST(PanePrintLayout, LongTextLinesContinueInsteadOfBeingCut)
{
    const QString longLine(300, QLatin1Char('x'));
    const QStringList lines = PanePrint::TextLines(QStringLiteral("one\r\ntwo\n") + longLine + QStringLiteral("\n"));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "one");
    EXPECT_EQ(lines[1], "two");
    EXPECT_EQ(lines[2].size(), 128);
    EXPECT_EQ(lines[3].size(), 128);
    EXPECT_EQ(lines[4].size(), 300 - 256);
}

TEST(PanePrintJob, PdfGetsOnePagePerPageFullOfRows)
{
    QTemporaryDir dir;
    auto printTo = [&](const QString& name, const PanePrint::Content& content) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(dir.filePath(name));
        return PanePrint::Print(&printer, content);
    };
    EXPECT_EQ(printTo("one.pdf", ListContent(3)), 1);
    EXPECT_EQ(PdfPageCount(dir.filePath("one.pdf")), 1);

    // A4 at 9 points holds some tens of rows below the header.
    const int pages = printTo("many.pdf", ListContent(400));
    EXPECT_GE(pages, 4);
    EXPECT_LE(pages, 10);
    EXPECT_EQ(PdfPageCount(dir.filePath("many.pdf")), pages);
    const int twice = printTo("twice.pdf", ListContent(800));
    EXPECT_GE(twice, 2 * pages - 1);
    EXPECT_LE(twice, 2 * pages);

    PanePrint::Content text;
    text.isText = true;
    text.header = QStringLiteral("T");
    for (int i = 0; i < 400; ++i)
        text.lines.append(QStringLiteral("line %1").arg(i));
    EXPECT_EQ(printTo("text.pdf", text), pages);
}

TEST(PanePrintJob, AbortBetweenPagesStopsTheJob)
{
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("aborted.pdf"));
    int asked = 0;
    EXPECT_EQ(PanePrint::Print(&printer, ListContent(400), [&] { return ++asked < 2; }), -1);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(QFile::exists(dir.filePath("aborted.pdf"))) << "an aborted job leaves no pages behind";
}

TEST(PanePrintJob, PageHasHeaderRuleAndTheDateColumnOnePointSixTwoFiveInchesWide)
{
    const int dpi = 100;
    QImage page(827, 1169, QImage::Format_RGB32); // A4 at 100 dpi
    page.fill(Qt::white);
    PanePrint::Content c;
    c.header = QStringLiteral("Vigimor - Log");
    c.dateColumn = true;
    c.screenWidths = {300, 100, 100}; // on screen the first column is wide; printed it is fixed
    c.rows.push_back({QStringLiteral("1"), QStringLiteral("X"), QStringLiteral("Y")});
    QPainter painter(&page);
    ASSERT_EQ(PanePrint::PaintPages(painter, page.size(), dpi, dpi, c, {}), 1);
    painter.end();

    auto dark = [&](int x, int y) { return qGray(page.pixel(x, y)) < 128; };
    // The rule spans the page between the half-inch margins.
    int ruleY = -1;
    for (int y = 50; y < 200 && ruleY < 0; ++y)
        if (dark(60, y) && dark(700, y) && dark(776, y))
            ruleY = y;
    ASSERT_GT(ruleY, 50);
    EXPECT_FALSE(dark(45, ruleY));
    EXPECT_FALSE(dark(782, ruleY));
    // The body's first row starts a quarter inch below the rule; its second column begins at
    // the margin plus 1.625 inches.
    int firstInk = -1;
    for (int x = 60; x < 780 && firstInk < 0; ++x)
        for (int y = ruleY + 25; y < ruleY + 50 && firstInk < 0; ++y)
            if (dark(x, y))
                firstInk = x;
    EXPECT_NEAR(firstInk, 50 + 162, 3);
}

TEST(PanePrintJob, WideTextIsCutAtItsColumnAndNeverReachesTheNext)
{
    const int dpi = 100;
    QImage page(827, 1169, QImage::Format_RGB32);
    page.fill(Qt::white);
    PanePrint::Content c;
    c.header = QStringLiteral("Vigimor - SMTP");
    c.cjkLocale = false; // counted as one cell each, the characters are twice as wide as that
    c.screenWidths = {100, 100, 100};
    c.rows.push_back({QString::fromUtf8("警示通知伺服器警示通知伺服器警示通知伺服器警示通知伺服器"), QString(),
                      QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW")});
    QPainter painter(&page);
    ASSERT_EQ(PanePrint::PaintPages(painter, page.size(), dpi, dpi, c, {}), 1);
    painter.end();

    const int left = 50;
    const auto columns = PanePrint::LayoutColumns(c.screenWidths, 827 - 2 * left);
    ASSERT_EQ(columns.size(), 3u);
    // The body row lies below the header and rule; look at the band where it is printed.
    const int top = 50 + 40, bottom = 50 + 120;
    auto inkIn = [&](int x0, int x1) {
        int ink = 0;
        for (int x = x0; x < x1; ++x)
            for (int y = top; y < bottom; ++y)
                ink += qGray(page.pixel(x, y)) < 128;
        return ink;
    };
    EXPECT_GT(inkIn(left + columns[0].left, left + columns[0].left + columns[0].width), 0);
    // The second column is empty: nothing of the first may show there.
    EXPECT_EQ(inkIn(left + columns[1].left, left + columns[1].left + columns[1].width), 0);
    // The third column's wide letters stop at the right margin.
    EXPECT_GT(inkIn(left + columns[2].left, 827 - left), 0);
    EXPECT_EQ(inkIn(827 - left + 1, 827), 0);
}
