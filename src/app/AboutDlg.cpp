#include "app/AboutDlg.h"

#include "framework/Commands.h"
#include "res/Resources.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr UINT IDS_ABOUT = 3521;
constexpr UINT IDS_CONSOLE = 3524;
constexpr UINT IDS_SERVICE = 3525;
constexpr int IDOK_CTRL = 1;
} // namespace

CAboutDlg::CAboutDlg(const QString& consoleVersion, const QString& serviceVersion, QWidget* parent)
    : QDialog(parent)
{
    setProperty("ctrlId", kDialogId);
    setWindowTitle(LoadString(IDS_ABOUT) + QLatin1Char(' ') + LoadString(IDS_APP_TITLE));

    auto* layout = new QVBoxLayout(this);
    const int margin = Margin();
    layout->setContentsMargins(margin, margin, margin, margin);

    auto* picture = new QLabel(this);
    picture->setProperty("ctrlId", kPictureCtrl);
    QPixmap image = Res::Bitmap(153);
    if (image.isNull())
        image = Res::Icon(128).pixmap(32, 32);
    picture->setPixmap(image);
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);

    auto addText = [&](int ctrlId, const QString& text) {
        auto* label = new QLabel(text, this);
        label->setProperty("ctrlId", ctrlId);
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
    };
    addText(kNoticeCtrl1, LoadString(3519));
    addText(kNoticeCtrl2, LoadString(3520));
    addText(kConsoleVersionCtrl, LoadString(IDS_CONSOLE) + QStringLiteral(" - ") + consoleVersion);
    addText(kServiceVersionCtrl, LoadString(IDS_SERVICE) + QStringLiteral(" - ") + serviceVersion);

    QString okText = Res::ControlText(kDialogId, IDOK_CTRL);
    auto* ok = new QPushButton(okText, this);
    ok->setProperty("ctrlId", IDOK_CTRL);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignHCenter);

    // The dialog is as wide as the picture plus the margins; everything else stacks below.
    const int pictureWidth = image.isNull() ? 240 : image.width();
    setFixedWidth(pictureWidth + 2 * margin);
}

int CAboutDlg::Margin() const
{
    // Dialog units: 4 horizontal units are one average character width.
    return qMax(1, (5 * fontMetrics().averageCharWidth() + 3) / 4);
}
