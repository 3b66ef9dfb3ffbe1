#pragma once
// Pieces the mail tests share: a world with this computer and its mail libraries installed by
// the world tool, and scripts that answer the libraries' dialogs like a user would.
#include "../common/TempWorld.h"

#include "alertworld/MailInstall.h"
#include "framework/ScriptedUiHost.h"
#include "platform/DynamicLibrary.h"
#include "platform/World.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <gtest/gtest.h>

namespace MailTest {

inline const QString kThisComputer = QStringLiteral("TESTPC");

// Control ids of the libraries' address dialog.
constexpr int kBookList = 100;
constexpr int kToList = 101;
constexpr int kCcList = 102;
constexpr int kBccList = 103;
constexpr int kAddTo = 110;
constexpr int kAddCc = 111;
constexpr int kRemove = 113;

inline void InstallMail(bool extended, bool exchange, const QStringList& book = {})
{
    WorldTool::MailClientOptions options;
    options.extended = extended;
    options.exchange = exchange;
    QString error;
    ASSERT_EQ(WorldTool::InstallMailClient(kThisComputer, options, &error), 0u) << error.toStdString();
    for (const QString& entry : book) {
        const QStringList parts = entry.split(QLatin1Char('|'));
        ASSERT_EQ(WorldTool::AddAddress(kThisComputer, QStringLiteral("mail"), parts.value(0), parts.value(1), &error), 0u)
            << error.toStdString();
    }
}

inline void InstallNotes(const QString& path, const QStringList& book = {})
{
    QString error;
    ASSERT_EQ(WorldTool::InstallNotesClient(kThisComputer, path, &error), 0u) << error.toStdString();
    for (const QString& entry : book) {
        const QStringList parts = entry.split(QLatin1Char('|'));
        ASSERT_EQ(WorldTool::AddAddress(kThisComputer, QStringLiteral("notes"), parts.value(0), parts.value(1), &error),
                  0u)
            << error.toStdString();
    }
}

// The texts a list of the address dialog shows.
inline QStringList Items(QDialog* dialog, int list)
{
    QStringList items;
    auto* widget = FindCtrl<QListWidget>(dialog, list);
    for (int row = 0; widget && row < widget->count(); ++row)
        items << widget->item(row)->text();
    return items;
}

// Picks book entries (by their shown text) into a field, as a user selects and clicks.
inline void Pick(QDialog* dialog, const QStringList& entries, int addButton)
{
    auto* book = FindCtrl<QListWidget>(dialog, kBookList);
    ASSERT_NE(book, nullptr);
    book->clearSelection();
    for (int row = 0; row < book->count(); ++row) {
        if (entries.contains(book->item(row)->text()))
            book->item(row)->setSelected(true);
    }
    FindCtrl<QAbstractButton>(dialog, addButton)->click();
}

// The profile question of a logon with its proposed profile accepted.
inline ScriptedUiHost::DialogScript AcceptProfile()
{
    return [](QDialog* d) {
        ASSERT_NE(FindCtrl<QLineEdit>(d, 100), nullptr);
        d->accept();
    };
}

// A count the library reports (its live buffers or sessions) through an export of its own.
template <typename R>
R LibraryCount(const char* library, const char* name)
{
    HMODULE module = LoadLibrary(QString::fromLatin1(library));
    if (!module)
        return R(-1);
    auto fn = reinterpret_cast<R (*)()>(GetProcAddress(module, name));
    const R value = fn ? fn() : R(-1);
    FreeLibrary(module);
    return value;
}

} // namespace MailTest
