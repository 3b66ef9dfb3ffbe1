#pragma once
// The About box (dialog 100): the legal notices and the versions of the console and of the
// service, laid out under the picture control 1064.
#include <QDialog>

class CAboutDlg : public QDialog {
public:
    static constexpr int kDialogId = 100;
    static constexpr int kPictureCtrl = 1064;
    static constexpr int kNoticeCtrl1 = 1061;
    static constexpr int kNoticeCtrl2 = 1062;
    static constexpr int kConsoleVersionCtrl = 1063;
    static constexpr int kServiceVersionCtrl = 1065;

    // consoleVersion / serviceVersion: version texts as CAlertApp::VersionText builds them.
    CAboutDlg(const QString& consoleVersion, const QString& serviceVersion, QWidget* parent = nullptr);

    // Horizontal margin around the picture: 5 quarters of the dialog's base unit.
    int Margin() const;
};
