#include "ui/PanePrinter.h"

#include "res/Resources.h"

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace PanePrint {

namespace {

constexpr UINT IDS_EVENT_LOG_TITLE = 5008;
constexpr UINT IDS_ACTIVITY_LOG_TITLE = 4510;

bool IsWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F)
        || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F)
        || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

int Inches(double inches, int dpi)
{
    return int(inches * dpi + 0.5);
}

} // namespace

std::vector<Column> LayoutColumns(const std::vector<int>& screenWidths, int printableWidth, int fixedFirstWidth)
{
    std::vector<Column> out(screenWidths.size());
    if (out.empty() || printableWidth <= 0)
        return out;
    size_t first = 0;
    int left = 0;
    int available = printableWidth;
    if (fixedFirstWidth >= 0) {
        out[0].width = std::min(fixedFirstWidth, printableWidth);
        left = out[0].width;
        available = printableWidth - left;
        first = 1;
    }
    long long total = 0;
    size_t lastVisible = first;
    bool anyVisible = false;
    for (size_t i = first; i < screenWidths.size(); ++i)
        if (screenWidths[i] > 0) {
            total += screenWidths[i];
            lastVisible = i;
            anyVisible = true;
        }
    int used = 0;
    for (size_t i = first; i < screenWidths.size(); ++i) {
        out[i].left = left + used;
        if (!anyVisible || screenWidths[i] <= 0)
            continue;
        // The last visible column takes the rounding remainder so the row spans the page.
        const int w = i == lastVisible ? available - used : int(screenWidths[i] * (long long)available / total);
        out[i].width = std::max(0, w);
        used += out[i].width;
    }
    return out;
}

bool HasDateColumn(const QString& leafTitle)
{
    return leafTitle == LoadString(IDS_EVENT_LOG_TITLE) || leafTitle == LoadString(IDS_ACTIVITY_LOG_TITLE);
}

int TextCells(const QString& text, bool cjkLocale)
{
    int cells = 0;
    for (char32_t c : text.toUcs4())
        cells += (cjkLocale && IsWide(c)) ? 2 : 1;
    return cells;
}

QString FitText(const QString& text, int cells, bool cjkLocale)
{
    if (cells <= 0)
        return QString();
    const QList<uint> codes = text.toUcs4();
    int used = 0;
    QString out;
    for (uint c : codes) {
        const int w = (cjkLocale && IsWide(char32_t(c))) ? 2 : 1;
        if (used + w > cells)
            break;
        used += w;
        out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
    }
    return out;
}

QString FitWidth(const QString& text, const QFontMetrics& metrics, int pixels)
{
    if (metrics.horizontalAdvance(text) <= pixels)
        return text;
    // Cut at whole characters (surrogate pairs kept together).
    const QList<uint> codes = text.toUcs4();
    QString out;
    for (uint c : codes) {
        const QString next = out + QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
        if (metrics.horizontalAdvance(next) > pixels)
            break;
        out = next;
    }
    return out;
}

bool IsCjkSystemLocale()
{
    const QLocale::Language lang = QLocale::system().language();
    return lang == QLocale::Chinese || lang == QLocale::Japanese || lang == QLocale::Korean;
}

QStringList TextLines(const QString& text, int maxChars)
{
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList out;
    const QStringList lines = normal.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        // A final line break does not make an extra empty line.
        if (i == lines.size() - 1 && line.isEmpty() && i > 0)
            break;
        if (line.size() <= maxChars) {
            out.append(line);
            continue;
        }
        for (int at = 0; at < line.size(); at += maxChars)
            out.append(line.mid(at, maxChars));
    }
    return out;
}

int PaintPages(QPainter& painter, const QSize& paper, int dpiX, int dpiY, const Content& content,
               const std::function<bool()>& nextPage)
{
    const int marginX = Inches(MarginInches, dpiX);
    const int marginY = Inches(MarginInches, dpiY);
    const int left = marginX;
    const int right = paper.width() - marginX;
    const int bottom = paper.height() - marginY;
    const int printableWidth = std::max(1, right - left);

    QFont headerFont = QApplication::font();
    headerFont.setPointSize(HeaderPoints);
    headerFont.setWeight(QFont::Normal);
    QFont bodyFont = QApplication::font();
    bodyFont.setPointSize(BodyPoints);
    bodyFont.setWeight(QFont::Normal);
    const QFontMetrics headerMetrics(headerFont, painter.device());
    const QFontMetrics bodyMetrics(bodyFont, painter.device());
    const int lineHeight = std::max(1, bodyMetrics.height());
    const int charWidth = std::max(1, bodyMetrics.averageCharWidth());
    const int ruleWidth = std::max(1, Inches(RuleInches, dpiY));

    // Text lines longer than the page are continued on the next line as well.
    QStringList lines;
    if (content.isText) {
        for (const QString& line : content.lines) {
            if (line.isEmpty() || bodyMetrics.horizontalAdvance(line) <= printableWidth) {
                lines.append(line);
                continue;
            }
            QString piece;
            for (const QChar ch : line) {
                if (!piece.isEmpty() && bodyMetrics.horizontalAdvance(piece + ch) > printableWidth) {
                    lines.append(piece);
                    piece.clear();
                }
                piece += ch;
            }
            if (!piece.isEmpty())
                lines.append(piece);
        }
    }
    std::vector<Column> columns;
    if (!content.isText)
        columns = LayoutColumns(content.screenWidths, printableWidth,
                                content.dateColumn ? Inches(DateColumnInches, dpiX) : -1);

    const int total = content.isText ? int(lines.size()) : int(content.rows.size());
    int index = 0;
    int pages = 0;
    do {
        if (pages > 0 && nextPage && !nextPage())
            return -1;
        // Header and rule.
        int y = marginY;
        painter.setFont(headerFont);
        painter.setPen(Qt::black);
        painter.drawText(QRect(left, y, printableWidth, headerMetrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, content.header);
        y += headerMetrics.height();
        QPen rule(Qt::black);
        rule.setWidth(ruleWidth);
        painter.setPen(rule);
        painter.drawLine(left, y + ruleWidth / 2, right, y + ruleWidth / 2);
        y += ruleWidth + Inches(BodyGapInches, dpiY);

        painter.setFont(bodyFont);
        painter.setPen(Qt::black);
        int onPage = 0;
        while (index < total && (y + lineHeight <= bottom || onPage == 0)) {
            if (content.isText) {
                painter.drawText(QRect(left, y, printableWidth, lineHeight),
                                 Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, lines[index]);
            } else {
                const QStringList& cells = content.rows[size_t(index)];
                for (size_t c = 0; c < columns.size() && int(c) < cells.size(); ++c) {
                    if (columns[c].width <= 0)
                        continue;
                    const int fit = columns[c].width / charWidth - 1;
                    // Counted cells assume every glyph is as wide as the average one; the
                    // font's own widths decide, so that no text runs into the next column.
                    const QString text = FitWidth(FitText(cells[int(c)], fit, content.cjkLocale), bodyMetrics,
                                                  columns[c].width - charWidth / 2);
                    painter.drawText(QRect(left + columns[c].left, y, columns[c].width, lineHeight),
                                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
                }
            }
            y += lineHeight;
            ++index;
            ++onPage;
        }
        ++pages;
    } while (index < total);
    return pages;
}

int Print(QPrinter* printer, const Content& content, const std::function<bool()>& keepAlive)
{
    if (!printer)
        return -1;
    printer->setFullPage(true);
    QPainter painter;
    if (!painter.begin(printer))
        return -1;
    bool aborted = false;
    auto nextPage = [&]() {
        if (keepAlive && !keepAlive()) {
            aborted = true;
            return false;
        }
        return printer->newPage();
    };
    const QSize paper = printer->paperRect(QPrinter::DevicePixel).toRect().size();
    const int pages = PaintPages(painter, paper, painter.device()->logicalDpiX(), painter.device()->logicalDpiY(),
                                 content, nextPage);
    if (aborted) {
        // Ending the painter would send the pages drawn so far: the job is aborted while it is
        // still open, and a file it wrote goes too.
        printer->abort();
        painter.end();
        if (printer->outputFormat() == QPrinter::PdfFormat && !printer->outputFileName().isEmpty())
            QFile::remove(printer->outputFileName());
        return -1;
    }
    painter.end();
    return pages;
}

} // namespace PanePrint
