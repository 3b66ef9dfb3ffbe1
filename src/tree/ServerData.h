#pragma once
#include "platform/WinTypes.h"

#include <QByteArray>
#include <QString>

// SERVERDATA, version 10: the 1030-byte block a server leaf (and its configuration and activity
// leaves) is made from. Four zero-terminated 8-bit strings at fixed offsets; a field is filled
// with at most its size in bytes (a source of the full size leaves no terminator), so readers
// stop at the field's end.
class CServerData {
public:
    static constexpr int kVersion = 10;
    static constexpr int kSize = 1030;
    static constexpr int kMachineOffset = 0;
    static constexpr int kMachineSize = 260;
    static constexpr int kReserved1Offset = 260;
    static constexpr int kReserved1Size = 255;
    static constexpr int kReserved2Offset = 515;
    static constexpr int kReserved2Size = 255;
    static constexpr int kConnectionOffset = 770;
    static constexpr int kConnectionSize = 260;

    // A zero-filled block.
    CServerData();
    // The block the console builds: machine name (without leading backslashes) and connection
    // name; the reserved strings stay empty.
    static CServerData Make(const QString& machine, const QString& connection);

    void SetMachine(const QString& text) { PutField(kMachineOffset, kMachineSize, text); }
    void SetReserved1(const QString& text) { PutField(kReserved1Offset, kReserved1Size, text); }
    void SetReserved2(const QString& text) { PutField(kReserved2Offset, kReserved2Size, text); }
    void SetConnection(const QString& text) { PutField(kConnectionOffset, kConnectionSize, text); }

    // The block's bytes (kSize of them).
    const BYTE* Data() const { return reinterpret_cast<const BYTE*>(m_bytes.constData()); }
    const QByteArray& Bytes() const { return m_bytes; }

    // The text of a field of a block of kSize bytes: its bytes up to the first NUL, never past
    // the field's end, as UTF-8.
    static QString Field(const BYTE* block, int offset, int size);
    static QString Machine(const BYTE* block) { return Field(block, kMachineOffset, kMachineSize); }
    static QString Reserved1(const BYTE* block) { return Field(block, kReserved1Offset, kReserved1Size); }
    static QString Reserved2(const BYTE* block) { return Field(block, kReserved2Offset, kReserved2Size); }
    static QString Connection(const BYTE* block) { return Field(block, kConnectionOffset, kConnectionSize); }

private:
    void PutField(int offset, int size, const QString& text);
    QByteArray m_bytes;
};
