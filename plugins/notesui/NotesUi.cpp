// The stand-in Notes user-interface library. The client counts as available when the
// installation path of this machine's Notes settings (the service library's record) is a folder
// that holds the Notes address book (platform/MailWorld.h).
#include "AddressBook.h"
#include "LinkedBuffers.h"
#include "PluginTexts.h"
#include "extern/Tarnix.h"
#include "mail/MailApi.h"
#include "platform/MailWorld.h"
#include "platform/World.h"
#include "records/ByteField.h"

#include <QByteArray>
#include <atomic>

namespace {

constexpr int kSettingsSize = 912;
constexpr int kPathOffset = 96;
constexpr int kPathSize = 256;

std::atomic<int> g_initialized{0};

// The address book of the installation, or empty when there is none.
QString BookPath()
{
    QByteArray record(kSettingsSize, '\0');
    const QByteArray machine = World::ComputerName().toUtf8();
    if (AlertGetNotesAccountInfo(machine.constData(), record.data()) != 0)
        return QString();
    QString path = Records::FieldText(record.constData() + kPathOffset, kPathSize).trimmed();
    if (path.isEmpty())
        return QString();
    if (!path.endsWith(QLatin1Char('\\')))
        path += QLatin1Char('\\');
    path += QString::fromLatin1(MailWorld::kNotesBookFile);
    QList<AddressBook::Entry> entries;
    return AddressBook::Read(path, &entries) ? path : QString();
}

} // namespace

extern "C" {

int32_t nui_IsAvailable()
{
    return BookPath().isEmpty() ? 0 : 1;
}

int32_t nui_InitializeNotes()
{
    if (!nui_IsAvailable())
        return 0;
    g_initialized = 1;
    return 1;
}

void nui_DeInitializeNotes()
{
    g_initialized = 0;
}

int32_t nui_AddressDialog(ULONG_PTR uiParam, ULONG recipCount, MapiRecipDesc* recips, ULONG* outCount,
                          MapiRecipDesc** outRecips, FLAGS flags)
{
    if (!outCount || !outRecips)
        return 0;
    *outCount = 0;
    *outRecips = nullptr;
    if (!g_initialized || (recipCount && !recips))
        return 0;
    QList<AddressBook::Entry> book;
    AddressBook::Read(BookPath(), &book);
    QList<AddressBook::Recipient> chosen = AddressBook::ReadDescriptors(recips, recipCount);
    const ULONG fields = (flags & 1) ? 2 : 1;
    if (AddressBook::RunDialog(uiParam, PluginTexts::Text(PluginTexts::NotesAddressCaption), fields, book, &chosen) !=
        AddressBook::Result::Ok)
        return 0;
    MapiRecipDesc* array = AddressBook::MakeDescriptors(chosen);
    if (!array)
        return 0;
    *outCount = ULONG(chosen.size());
    *outRecips = array;
    return 1;
}

void nui_FreeBuffer(void* buffer)
{
    LinkedBuffers::Free(buffer);
}

// Present because the client offers it; the console never asks for a password this way.
int32_t nui_PasswordDialog(ULONG_PTR, char*, ULONG)
{
    return 0;
}

size_t NotesUiLiveBuffers()
{
    return LinkedBuffers::LiveBlocks();
}

} // extern "C"
