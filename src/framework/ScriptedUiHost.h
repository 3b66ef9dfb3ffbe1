#pragma once
// A UI host that shows nothing to anyone: it records every message box, dialog, file and
// print request and answers from a script. Tests install it with ScopedUiHost.
//
//   ScriptedUiHost host;  ScopedUiHost scope(&host);
//   host.PushAnswer(IDNO);                                   // next message box says No
//   host.PushDialog([](QDialog* d) { FindCtrl<QLineEdit>(d, 1020)->setText("X"); d->accept(); });
//   ... run the code ...
//   EXPECT_EQ(host.Boxes().at(0).text, LoadString(3536));
#include "framework/UiHost.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <deque>
#include <functional>
#include <vector>

class ScriptedUiHost : public UiHost {
public:
    struct Box {
        QString text;
        QString caption;
        UINT type = 0;
        int answer = 0;
    };
    struct DialogRun {
        QString title;          // window title when the script ran
        QString className;      // metaObject class name
        int result = 0;
    };
    // Called with the dialog shown (offscreen) and initialised; it may fill controls and call
    // accept(), reject() or done(n), even several times (a dialog that refuses accept() stays
    // open). A dialog still open when the script returns is rejected.
    using DialogScript = std::function<void(QDialog* dialog)>;
    // Called with the message box's text, caption and type; returns the answer.
    using BoxScript = std::function<int(const QString& text, const QString& caption, UINT type)>;

    // Message-box answers, used in order; with none queued a box gives its default button.
    void PushAnswer(int answer) { m_answers.push_back(answer); }
    void SetBoxScript(BoxScript script) { m_boxScript = std::move(script); }
    // Dialog scripts, used in order; with none queued a dialog is rejected.
    void PushDialog(DialogScript script) { m_dialogs.push_back(std::move(script)); }
    // File names for the next file dialogs, in order; an empty name (or none queued) cancels.
    void PushFileName(const QString& path) { m_fileNames.push_back(path); }
    // Print dialogs: with a file set, the printer is directed to that PDF file and the dialog
    // is confirmed; with none set, the print dialog is cancelled.
    void SetPrintToFile(const QString& pdfPath) { m_printFile = pdfPath; }
    // What OpenUrl answers (default true).
    void SetOpenUrlResult(bool ok) { m_openUrlResult = ok; }

    const std::vector<Box>& Boxes() const { return m_boxes; }
    QStringList BoxTexts() const;
    const std::vector<DialogRun>& Dialogs() const { return m_dialogRuns; }
    const QList<QUrl>& OpenedUrls() const { return m_urls; }
    const QStringList& FileDialogCaptions() const { return m_fileCaptions; }
    int PrintDialogs() const { return m_printDialogs; }
    void Clear();

    int MessageBox(const QString& text, const QString& caption, UINT type, QWidget* parent) override;
    int RunModal(QDialog* dialog) override;
    bool GetOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                         const QString& filter, QString* path) override;
    bool GetSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                         const QString& filter, QString* path) override;
    bool PrintDialog(QPrinter* printer, QWidget* parent) override;
    bool OpenUrl(const QUrl& url) override;

private:
    bool NextFileName(const QString& caption, QString* path);

    std::deque<int> m_answers;
    BoxScript m_boxScript;
    std::deque<DialogScript> m_dialogs;
    std::deque<QString> m_fileNames;
    QString m_printFile;
    bool m_openUrlResult = true;

    std::vector<Box> m_boxes;
    std::vector<DialogRun> m_dialogRuns;
    QList<QUrl> m_urls;
    QStringList m_fileCaptions;
    int m_printDialogs = 0;
};

// The child widget of a dialog (or any widget) that carries the control id as its dynamic
// property "ctrlId"; null when there is none of that type.
QWidget* FindCtrlWidget(QWidget* root, int ctrlId);
template <class T>
T* FindCtrl(QWidget* root, int ctrlId) { return qobject_cast<T*>(FindCtrlWidget(root, ctrlId)); }
