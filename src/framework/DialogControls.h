#pragma once
// Controls that dialogs build the same way: each carries its control id in the "ctrlId"
// property (tests and scripts find controls by it) and takes its text from the dialog's texts.
#include "platform/WinTypes.h"

#include <QString>

class QBoxLayout;
class QDialog;
class QFormLayout;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace DialogControls {

// A line edit with its label (the control's label text, buddied to it) as a row of form.
QLineEdit* AddLabeledEdit(QWidget* parent, QFormLayout* form, UINT dialogId, int ctrlId);
// The same as a row of its own (label, then the edit taking the width), added to layout.
QLineEdit* AddLabeledLineRow(QWidget* parent, QBoxLayout* layout, UINT dialogId, int ctrlId);

// A push button with the control's text that never takes Return from the dialog's OK, added to
// the layout.
QPushButton* AddButton(QWidget* parent, QBoxLayout* layout, UINT dialogId, int ctrlId);
// A text cut to at most maxBytes of UTF-8 on a character boundary, for showing stored values in
// an edit limited by LimitBytes.
QString CutToBytes(const QString& text, int maxBytes);

// OK (the default button) and Cancel at the right of a row, wired to the dialog's accept and
// reject. The buttons are returned through ok and cancel when those are given.
QHBoxLayout* OkCancelRow(QDialog* dialog, UINT dialogId, QPushButton** ok = nullptr,
                         QPushButton** cancel = nullptr);

// Keeps an edit's text within maxBytes of UTF-8 (the record field it is stored in, less its
// terminator), cutting what is typed or pasted beyond that on a character boundary.
void LimitBytes(QLineEdit* edit, int maxBytes);

} // namespace DialogControls
