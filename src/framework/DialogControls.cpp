#include "framework/DialogControls.h"

#include "framework/UiHost.h"
#include "res/Resources.h"

#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace DialogControls {

QString CutToBytes(const QString& text, int maxBytes)
{
    QString cut = text;
    while (cut.toUtf8().size() > maxBytes) {
        cut.chop(1);
        // A surrogate pair goes whole.
        if (!cut.isEmpty() && cut.back().isHighSurrogate())
            cut.chop(1);
    }
    return cut;
}

QLineEdit* AddLabeledEdit(QWidget* parent, QFormLayout* form, UINT dialogId, int ctrlId)
{
    auto* edit = new QLineEdit(parent);
    edit->setProperty("ctrlId", ctrlId);
    auto* label = new QLabel(Res::ControlText(dialogId, UINT(ctrlId), Res::CtrlText::Label), parent);
    label->setBuddy(edit);
    form->addRow(label, edit);
    return edit;
}

QLineEdit* AddLabeledLineRow(QWidget* parent, QBoxLayout* layout, UINT dialogId, int ctrlId)
{
    auto* row = new QHBoxLayout();
    auto* label = new QLabel(Res::ControlText(dialogId, ctrlId, Res::CtrlText::Label), parent);
    auto* edit = new QLineEdit(parent);
    edit->setProperty("ctrlId", ctrlId);
    label->setBuddy(edit);
    row->addWidget(label);
    row->addWidget(edit, 1);
    layout->addLayout(row);
    return edit;
}

QPushButton* AddButton(QWidget* parent, QBoxLayout* layout, UINT dialogId, int ctrlId)
{
    auto* button = new QPushButton(Res::ControlText(dialogId, UINT(ctrlId)), parent);
    button->setProperty("ctrlId", ctrlId);
    button->setAutoDefault(false);
    layout->addWidget(button);
    return button;
}

QHBoxLayout* OkCancelRow(QDialog* dialog, UINT dialogId, QPushButton** ok, QPushButton** cancel)
{
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    auto* okButton = new QPushButton(Res::ControlText(dialogId, IDOK), dialog);
    okButton->setProperty("ctrlId", IDOK);
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(Res::ControlText(dialogId, IDCANCEL), dialog);
    cancelButton->setProperty("ctrlId", IDCANCEL);
    row->addWidget(okButton);
    row->addWidget(cancelButton);
    // accept and reject are virtual: the dialog's own overrides run.
    QObject::connect(okButton, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancelButton, &QPushButton::clicked, dialog, &QDialog::reject);
    if (ok)
        *ok = okButton;
    if (cancel)
        *cancel = cancelButton;
    return row;
}

void LimitBytes(QLineEdit* edit, int maxBytes)
{
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, maxBytes](const QString& text) {
        if (text.toUtf8().size() <= maxBytes)
            return;
        const QString cut = CutToBytes(text, maxBytes);
        const bool modified = edit->isModified();
        edit->setText(cut);
        edit->setModified(modified);
    });
}

} // namespace DialogControls
