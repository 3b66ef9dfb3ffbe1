#include "framework/ScriptedUiHost.h"

#include <QCoreApplication>
#include <QDialog>
#include <QPrinter>
#include <QVariant>

QStringList ScriptedUiHost::BoxTexts() const
{
    QStringList texts;
    for (const Box& b : m_boxes)
        texts << b.text;
    return texts;
}

void ScriptedUiHost::Clear()
{
    m_answers.clear();
    m_boxScript = nullptr;
    m_dialogs.clear();
    m_fileNames.clear();
    m_printFile.clear();
    m_openUrlResult = true;
    m_boxes.clear();
    m_dialogRuns.clear();
    m_urls.clear();
    m_fileCaptions.clear();
    m_printDialogs = 0;
}

int ScriptedUiHost::MessageBox(const QString& text, const QString& caption, UINT type, QWidget*)
{
    int answer;
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    } else if (m_boxScript) {
        answer = m_boxScript(text, caption, type);
    } else {
        answer = DefaultMessageBoxAnswer(type);
    }
    m_boxes.push_back(Box{text, caption, type, answer});
    return answer;
}

int ScriptedUiHost::RunModal(QDialog* dialog)
{
    if (!dialog)
        return 0;
    DialogRun run;
    run.className = QString::fromLatin1(dialog->metaObject()->className());
    // Shown (offscreen in tests) so that initialisation done on showing has happened.
    dialog->setResult(0);
    dialog->show();
    QCoreApplication::processEvents();
    run.title = dialog->windowTitle();
    if (!m_dialogs.empty()) {
        DialogScript script = std::move(m_dialogs.front());
        m_dialogs.pop_front();
        script(dialog);
    }
    if (dialog->isVisible())
        dialog->reject();
    run.result = dialog->result();
    m_dialogRuns.push_back(run);
    return run.result;
}

bool ScriptedUiHost::NextFileName(const QString& caption, QString* path)
{
    m_fileCaptions << caption;
    if (m_fileNames.empty())
        return false;
    const QString next = m_fileNames.front();
    m_fileNames.pop_front();
    if (next.isEmpty())
        return false;
    if (path)
        *path = next;
    return true;
}

bool ScriptedUiHost::GetOpenFileName(QWidget*, const QString& caption, const QString&,
                                     const QString&, QString* path)
{
    return NextFileName(caption, path);
}

bool ScriptedUiHost::GetSaveFileName(QWidget*, const QString& caption, const QString&,
                                     const QString&, QString* path)
{
    return NextFileName(caption, path);
}

bool ScriptedUiHost::PrintDialog(QPrinter* printer, QWidget*)
{
    ++m_printDialogs;
    if (!printer || m_printFile.isEmpty())
        return false;
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(m_printFile);
    return true;
}

bool ScriptedUiHost::OpenUrl(const QUrl& url)
{
    m_urls << url;
    return m_openUrlResult;
}

QWidget* FindCtrlWidget(QWidget* root, int ctrlId)
{
    if (!root)
        return nullptr;
    if (root->property("ctrlId").isValid() && root->property("ctrlId").toInt() == ctrlId)
        return root;
    const QList<QWidget*> children = root->findChildren<QWidget*>();
    for (QWidget* w : children) {
        const QVariant id = w->property("ctrlId");
        if (id.isValid() && id.toInt() == ctrlId)
            return w;
    }
    return nullptr;
}
