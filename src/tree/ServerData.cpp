#include "tree/ServerData.h"

#include "records/ByteField.h"

#include <cstring>

CServerData::CServerData()
    : m_bytes(kSize, '\0')
{
}

CServerData CServerData::Make(const QString& machine, const QString& connection)
{
    CServerData data;
    data.SetMachine(machine);
    data.SetConnection(connection);
    return data;
}

void CServerData::PutField(int offset, int size, const QString& text)
{
    // Cut on a character boundary: half a character would read back as a replacement mark.
    const QByteArray bytes = Records::CutUtf8(text.toUtf8(), size);
    char* field = m_bytes.data() + offset;
    std::memset(field, 0, size_t(size));
    std::memcpy(field, bytes.constData(), size_t(bytes.size()));
}

QString CServerData::Field(const BYTE* block, int offset, int size)
{
    if (!block)
        return QString();
    const char* field = reinterpret_cast<const char*>(block) + offset;
    const void* nul = std::memchr(field, 0, size_t(size));
    const qsizetype n = nul ? static_cast<const char*>(nul) - field : size;
    return QString::fromUtf8(field, n);
}
