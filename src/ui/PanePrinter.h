#pragma once
// Printing what the information pane shows: a header line with the application and leaf
// titles over a rule, then the body, either the text box's lines or the list's rows laid out
// in columns in proportion to their widths on screen.
#include "platform/WinTypes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QFontMetrics;
class QPainter;
class QPrinter;
class QSize;

namespace PanePrint {

// Distances of the printed page, in inches.
constexpr double MarginInches = 0.5;
constexpr double RuleInches = 0.0268;
constexpr double BodyGapInches = 0.25;
constexpr double DateColumnInches = 1.625;
constexpr int HeaderPoints = 12;
constexpr int BodyPoints = 9;
constexpr int MaxTextLineChars = 128;

struct Column {
    int left = 0;
    int width = 0;
};

// Columns across printableWidth in proportion to their on-screen widths (hidden columns, width
// 0, stay 0). With fixedFirstWidth >= 0 the first column gets exactly that width (clamped to
// the printable width) and the others share what is left.
std::vector<Column> LayoutColumns(const std::vector<int>& screenWidths, int printableWidth, int fixedFirstWidth = -1);

// Whether the leaf title is one of the two logs whose first column is a date and time.
bool HasDateColumn(const QString& leafTitle);

// Character cells a text takes when fitting it into a column: East Asian wide characters count
// two cells when the system locale is Chinese, Japanese or Korean, one otherwise.
int TextCells(const QString& text, bool cjkLocale);
// The longest prefix of text that fits into cells character cells.
QString FitText(const QString& text, int cells, bool cjkLocale);
// The longest prefix of text no wider than pixels in the font.
QString FitWidth(const QString& text, const QFontMetrics& metrics, int pixels);
bool IsCjkSystemLocale();

// The text box's lines for printing: line breaks split, and a line longer than maxChars is
// continued on the next printed line rather than cut off.
QStringList TextLines(const QString& text, int maxChars = MaxTextLineChars);

struct Content {
    QString header;                     // "<application title> - <leaf title>"
    bool isText = false;
    QStringList lines;                  // text body
    std::vector<QStringList> rows;      // list body: the cells of each row
    std::vector<int> screenWidths;      // list body: the columns' widths on screen
    bool dateColumn = false;            // first column printed 1.625 inches wide
    bool cjkLocale = false;
};

// Lays out and paints the pages on any device of the given paper size (pixels) and resolution;
// nextPage is called between pages and stops the job by returning false (result -1).
int PaintPages(QPainter& painter, const QSize& paper, int dpiX, int dpiY, const Content& content,
               const std::function<bool()>& nextPage);

// Prints the content on an already chosen printer. Between pages it calls keepAlive, which
// pumps pending events and returns false when the user aborted. Returns the number of pages
// printed, or -1 when the printer could not start or the job was aborted (an aborted job
// leaves no file behind).
int Print(QPrinter* printer, const Content& content, const std::function<bool()>& keepAlive = {});

} // namespace PanePrint
