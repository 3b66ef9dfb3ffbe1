#pragma once
// PORT.CFG (512-byte header with record count and next id, then 512-byte port records of
// version 10) and PORTDEF.CFG (the 2-byte id of the default port configuration).
#include <QByteArray>
#include <QString>
#include <QVector>
#include <cstdint>

namespace Records {

constexpr int kPortBlock = 512;
constexpr int kPortRecordVersion = 10;

struct PortHeader {
    uint16_t count = 0;
    uint16_t nextId = 2;
    QByteArray rest = QByteArray(508, '\0');
};

struct PortRecord {
    uint16_t id = 0;
    uint16_t portNumber = 0;   // 0 none, 1-4 COM1-COM4
    QByteArray portName;       // at most 255 bytes
    int32_t baudIndex = 0;
    int32_t dataBitsIndex = 0;
    int32_t parityIndex = 0;
    int32_t stopBitsIndex = 0;
    QByteArray description;    // at most 127 bytes
    QByteArray rest = QByteArray(108, '\0');
};

bool ParsePortHeader(const QByteArray& block, PortHeader* out);
QByteArray SerializePortHeader(const PortHeader& header);
bool ParsePortRecord(const QByteArray& block, PortRecord* out);
QByteArray SerializePortRecord(const PortRecord& record);

// Reads the header and as many records as it counts, stopping at the first incomplete block
// (*complete tells whether all were there). False when the header is incomplete.
bool ParsePortFile(const QByteArray& data, PortHeader* header, QVector<PortRecord>* records, bool* complete = nullptr);
bool ReadPortFile(const QString& hostPath, PortHeader* header, QVector<PortRecord>* records, bool* complete = nullptr);
// The whole file: the header with count = records.size(), then the records. Empty when there
// are more records than a count can hold.
QByteArray SerializePortFile(PortHeader header, const QVector<PortRecord>& records);
// Writes the header (count = records.size()) and the records; atomic, under the file's lock.
bool WritePortFile(const QString& hostPath, PortHeader header, const QVector<PortRecord>& records);

// PORTDEF.CFG: exactly 2 bytes.
bool ReadDefaultPort(const QString& hostPath, uint16_t* id);
bool WriteDefaultPort(const QString& hostPath, uint16_t id);

} // namespace Records
