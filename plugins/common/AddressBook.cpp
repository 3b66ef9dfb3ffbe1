#include "AddressBook.h"

#include "LinkedBuffers.h"
#include "PluginTexts.h"
#include "platform/DialogHook.h"
#include "platform/World.h"

#include <QDialog>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>

namespace AddressBook {
namespace {

constexpr qint64 kMaxBookBytes = 1 << 20;
constexpr int kMaxEntries = 10000;
constexpr int kMaxFieldBytes = 255;
constexpr int kDescriptorLimit = 100000;

QString Cut(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= kMaxFieldBytes)
        return text;
    bytes.truncate(kMaxFieldBytes);
    // Never end inside a character.
    while (!bytes.isEmpty() && (uchar(bytes.back()) & 0xC0) == 0x80)
        bytes.chop(1);
    if (!bytes.isEmpty() && uchar(bytes.back()) >= 0xC0)
        bytes.chop(1);
    return QString::fromUtf8(bytes);
}

void Tag(QWidget* w, int id)
{
    w->setProperty("ctrlId", id);
}

QString ItemText(const Recipient& r)
{
    return r.address.isEmpty() ? r.name : r.name + QStringLiteral(" <") + r.address + QLatin1Char('>');
}

class CAddressDialog : public QDialog {
public:
    CAddressDialog(QWidget* parent, const QString& caption, ULONG fields, const QList<Entry>& book,
                   const QList<Recipient>& chosen)
        : QDialog(parent), m_book(book)
    {
        setWindowTitle(caption);
        auto* grid = new QGridLayout;
        auto* bookList = new QListWidget;
        Tag(bookList, 100);
        bookList->setSelectionMode(QAbstractItemView::ExtendedSelection);
        for (const Entry& e : book)
            bookList->addItem(ItemText({MAPI_TO, e.name, e.address}));
        auto* bookLabel = new QLabel(PluginTexts::Text(PluginTexts::BookLabel));
        bookLabel->setBuddy(bookList);
        grid->addWidget(bookLabel, 0, 0);
        grid->addWidget(bookList, 1, 0, 6, 1);
        m_bookList = bookList;

        const PluginTexts::Id labels[] = {PluginTexts::ToLabel, PluginTexts::CcLabel, PluginTexts::BccLabel};
        const PluginTexts::Id adds[] = {PluginTexts::AddTo, PluginTexts::AddCc, PluginTexts::AddBcc};
        const bool withBcc = fields == 0 || fields >= 3;
        for (int i = 0; i < 3; ++i) {
            auto* add = new QPushButton(PluginTexts::Text(adds[i]));
            Tag(add, 110 + i);
            auto* list = new QListWidget;
            Tag(list, 101 + i);
            list->setSelectionMode(QAbstractItemView::ExtendedSelection);
            auto* label = new QLabel(PluginTexts::Text(labels[i]));
            label->setBuddy(list);
            grid->addWidget(add, 2 * i + 1, 1);
            grid->addWidget(label, 2 * i, 2);
            grid->addWidget(list, 2 * i + 1, 2);
            m_fields[i] = list;
            const ULONG cls = ULONG(MAPI_TO + i);
            connect(add, &QPushButton::clicked, this, [this, i, cls] {
                for (QListWidgetItem* item : m_bookList->selectedItems()) {
                    const Entry& e = m_book.at(m_bookList->row(item));
                    AddItem(i, {cls, e.name, e.address});
                }
            });
            // A client shows blind copy only when asked for three fields.
            if (i == 2 && !withBcc) {
                add->hide();
                label->hide();
                list->hide();
            }
        }
        auto* remove = new QPushButton(PluginTexts::Text(PluginTexts::Remove));
        Tag(remove, 113);
        grid->addWidget(remove, 6, 1);
        connect(remove, &QPushButton::clicked, this, [this] {
            for (QListWidget* list : m_fields)
                qDeleteAll(list->selectedItems());
        });
        for (const Recipient& r : chosen) {
            if (r.recipientClass >= MAPI_TO && r.recipientClass <= MAPI_BCC)
                AddItem(int(r.recipientClass - MAPI_TO), r);
        }

        auto* ok = new QPushButton(PluginTexts::Text(PluginTexts::Ok));
        Tag(ok, 1);
        ok->setDefault(true);
        auto* cancel = new QPushButton(PluginTexts::Text(PluginTexts::Cancel));
        Tag(cancel, 2);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(ok);
        buttons->addWidget(cancel);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(grid);
        layout->addLayout(buttons);
    }

    QList<Recipient> Chosen() const
    {
        QList<Recipient> out;
        for (QListWidget* list : m_fields) {
            for (int row = 0; row < list->count(); ++row) {
                QListWidgetItem* item = list->item(row);
                out.append({ULONG(item->data(Qt::UserRole).toUInt()), item->data(Qt::UserRole + 1).toString(),
                            item->data(Qt::UserRole + 2).toString()});
            }
        }
        return out;
    }

private:
    void AddItem(int field, const Recipient& r)
    {
        QListWidget* list = m_fields[field];
        for (int row = 0; row < list->count(); ++row) {
            if (list->item(row)->data(Qt::UserRole + 1).toString() == r.name)
                return;
        }
        auto* item = new QListWidgetItem(ItemText(r), list);
        item->setData(Qt::UserRole, uint(r.recipientClass));
        item->setData(Qt::UserRole + 1, r.name);
        item->setData(Qt::UserRole + 2, r.address);
    }

    QList<Entry> m_book;
    QListWidget* m_bookList = nullptr;
    QListWidget* m_fields[3] = {};
};

} // namespace

bool Read(const QString& windowsPath, QList<Entry>* entries)
{
    entries->clear();
    QString host;
    if (World::ResolvePath(windowsPath, &host) != 0)
        return false;
    QFile file(host);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.read(kMaxBookBytes);
    for (const QByteArray& raw : data.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        const QString name = Cut((tab < 0 ? line : line.left(tab)).trimmed());
        if (name.isEmpty())
            continue;
        entries->append({name, tab < 0 ? QString() : Cut(line.mid(tab + 1).trimmed())});
        if (entries->size() >= kMaxEntries)
            break;
    }
    return true;
}

Result RunDialog(ULONG_PTR uiParam, const QString& caption, ULONG fields, const QList<Entry>& book,
                 QList<Recipient>* chosen)
{
    CAddressDialog dialog(reinterpret_cast<QWidget*>(uiParam), caption, fields, book, *chosen);
    int result = DialogHook::Run(&dialog);
    if (result < 0)
        result = dialog.exec();
    if (result != QDialog::Accepted)
        return Result::Cancelled;
    *chosen = dialog.Chosen();
    return Result::Ok;
}

MapiRecipDesc* MakeDescriptors(const QList<Recipient>& recipients)
{
    auto* array = static_cast<MapiRecipDesc*>(
        LinkedBuffers::Allocate(sizeof(MapiRecipDesc) * size_t(recipients.isEmpty() ? 1 : recipients.size())));
    if (!array)
        return nullptr;
    const auto copy = [array](const QString& text) -> char* {
        const QByteArray bytes = text.toUtf8();
        auto* p = static_cast<char*>(LinkedBuffers::More(size_t(bytes.size()) + 1, array));
        if (p)
            std::memcpy(p, bytes.constData(), size_t(bytes.size()));
        return p;
    };
    for (qsizetype i = 0; i < recipients.size(); ++i) {
        MapiRecipDesc& d = array[i];
        d.ulRecipClass = recipients[i].recipientClass;
        d.lpszName = copy(recipients[i].name);
        d.lpszAddress = copy(recipients[i].address);
        if (!d.lpszName || !d.lpszAddress) {
            LinkedBuffers::Free(array);
            return nullptr;
        }
    }
    return array;
}

QList<Recipient> ReadDescriptors(const MapiRecipDesc* recips, ULONG count)
{
    QList<Recipient> out;
    if (!recips || count > ULONG(kDescriptorLimit))
        return out;
    for (ULONG i = 0; i < count; ++i) {
        const MapiRecipDesc& d = recips[i];
        const QString name = d.lpszName ? Cut(QString::fromUtf8(d.lpszName)) : QString();
        if (name.isEmpty())
            continue;
        out.append({d.ulRecipClass, name, d.lpszAddress ? Cut(QString::fromUtf8(d.lpszAddress)) : QString()});
    }
    return out;
}

} // namespace AddressBook
