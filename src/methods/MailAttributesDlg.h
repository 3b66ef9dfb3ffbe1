#pragma once
// The mail attributes of an application's alert mails (dialog 173): the subject and up to ten
// attachments, files on fixed drives of the service's machine. The e-mail and Notes methods
// open it on the subject and attachment fields of their table's settings image.
#include "platform/WinTypes.h"

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QStringList>

class QLineEdit;
class QListWidget;
class QPushButton;

// The mail fields of a table's settings image (3944 bytes): subject, attachment count and
// paths. Reading checks the stored count; writing cuts the subject to 256 characters, the list
// to ten paths of at most 255 characters, each inside its field.
struct MailAttributes {
    QString subject;
    QStringList attachments;

    static MailAttributes FromImage(const QByteArray& image);
    void ToImage(BYTE* image) const;
};

class CMailAttributesDlg : public QDialog {
public:
    static constexpr UINT kDialogId = 173;
    static constexpr int IDC_ADD = 3;
    static constexpr int IDC_REMOVE = 4;
    static constexpr int IDC_ATTACHMENTS = 1049;
    static constexpr int IDC_SUBJECT = 1051;
    static constexpr int kMaxAttachments = 10;

    // machine: the service's machine, whose drives the attachments must be on.
    CMailAttributesDlg(const QString& machine, const MailAttributes& attributes, QWidget* parent = nullptr);

    // Runs the dialog; on OK *attributes holds what the dialog shows. Returns whether OK ended it.
    static bool Edit(const QString& machine, MailAttributes* attributes);

    MailAttributes Result() const { return m_result; }
    void accept() override;

private:
    void AddFile();
    void RemoveFiles();
    void UpdateButtons();

    QString m_machine;
    MailAttributes m_result;
    QLineEdit* m_subject = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
};
