#pragma once
// Little-endian fields at fixed offsets of a record, read and written one by one with their
// bounds checked, and NUL-terminated text fields of fixed width.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace Records {

// Readers answer false (and leave *out alone) when the field does not lie inside the data.
bool ReadU8(const QByteArray& data, qsizetype offset, uint8_t* out);
bool ReadU16(const QByteArray& data, qsizetype offset, uint16_t* out);
bool ReadU32(const QByteArray& data, qsizetype offset, uint32_t* out);
bool ReadI32(const QByteArray& data, qsizetype offset, int32_t* out);
bool ReadI64(const QByteArray& data, qsizetype offset, int64_t* out);

// Unchecked forms for callers that checked the record's size once.
uint16_t U16At(const char* p);
uint32_t U32At(const char* p);
int32_t I32At(const char* p);
void PutU16(char* p, uint16_t v);
void PutU32(char* p, uint32_t v);
void PutI32(char* p, int32_t v);
void PutI64(char* p, int64_t v);
int64_t I64At(const char* p);

// Writers answer false when the field does not fit inside data (nothing written then).
bool WriteU8(QByteArray* data, qsizetype offset, uint8_t v);
bool WriteU16(QByteArray* data, qsizetype offset, uint16_t v);
bool WriteU32(QByteArray* data, qsizetype offset, uint32_t v);
bool WriteI32(QByteArray* data, qsizetype offset, int32_t v);

// The bytes of a text field up to its first NUL, never past width (a field without a NUL
// gives all width bytes).
QByteArray FieldBytes(const char* field, qsizetype width);
// The same, decoded as UTF-8.
QString FieldText(const char* field, qsizetype width);
// Writes text into a field of width bytes: at most width-1 bytes, cut on a UTF-8 character
// boundary, then NUL and zero up to width.
void PutField(char* field, qsizetype width, const QByteArray& text);
// Writes back a field's bytes as FieldBytes gave them, so that a record read and written again
// keeps them: a text of exactly width bytes goes without its NUL, as it was read; a longer one
// is cut as PutField cuts it.
void PutFieldBack(char* field, qsizetype width, const QByteArray& bytes);
// Copies raw bytes into a field of width bytes: at most width of them; the rest of the field
// is left as it is.
void PutBytes(char* field, qsizetype width, const QByteArray& bytes);
// True when the field holds a NUL within its width.
bool FieldTerminated(const char* field, qsizetype width);
// Cuts UTF-8 text to at most maxBytes without splitting a character.
QByteArray CutUtf8(const QByteArray& text, qsizetype maxBytes);

// CRC-32 (IEEE 802.3), used to tell a damaged stored file from a sound one.
uint32_t Crc32(const char* data, qsizetype size, uint32_t crc = 0);

} // namespace Records
