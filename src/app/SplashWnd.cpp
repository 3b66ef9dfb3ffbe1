#include "app/SplashWnd.h"

#include "res/Resources.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

CSplashWnd::CSplashWnd(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SplashWnd"));
    setProperty("ctrlId", kDialogId);
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setPixmap(Res::Bitmap(kBitmapId));
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);
    const int ids[2] = {kNoticeCtrl1, kNoticeCtrl2};
    const UINT texts[2] = {3519, 3520};
    for (int i = 0; i < 2; ++i) {
        auto* notice = new QLabel(LoadString(texts[i]), this);
        notice->setProperty("ctrlId", ids[i]);
        notice->setWordWrap(true);
        notice->setAlignment(Qt::AlignCenter);
        layout->addWidget(notice);
    }
    const int width = picture->pixmap().isNull() ? 360 : qMax(360, picture->pixmap().width() + 24);
    setFixedWidth(width);
}

void CSplashWnd::ShowCentred()
{
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = rect();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    show();
    QCoreApplication::processEvents();
}
