#include "tree/RegUtil.h"

#include "platform/Registry.h"

#include <QStringDecoder>
#include <cstring>

const char* const kProductKey = "SOFTWARE\\Korvane\\ALERT\\CurrentVersion";
const char* const kProductKeyClass = "ZORData";

namespace {
// This computer, for the registry layer.
const QString kLocal;
} // namespace

bool BuildProductKeyPath(const QString& section, const QString& subsection, QString* keyPath)
{
    QString path = QString::fromLatin1(kProductKey);
    if (!section.isEmpty())
        path += QLatin1Char('\\') + section;
    if (!subsection.isEmpty())
        path += QLatin1Char('\\') + subsection;
    if (DWORD(path.toUtf8().size()) + 1 > kRegKeyPathBufferSize)
        return false;
    if (keyPath)
        *keyPath = path;
    return true;
}

DWORD ReadRegDword(const QString& section, const QString& subsection, const QString& valueName,
                   DWORD defaultValue)
{
    QString key;
    if (!BuildProductKeyPath(section, subsection, &key))
        return defaultValue;
    if (Registry::OpenKey(kLocal, key) != ERROR_SUCCESS)
        return defaultValue;
    DWORD type = 0;
    unsigned char bytes[4] = {0, 0, 0, 0};
    DWORD size = sizeof bytes;
    if (Registry::QueryValue(kLocal, key, valueName, &type, bytes, &size) != ERROR_SUCCESS)
        return defaultValue;
    // Only a full 32-bit number counts; a string or short value is not one.
    if (type != REG_DWORD || size != 4)
        return defaultValue;
    return DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
}

DWORD ReadRegString(const QString& section, const QString& subsection, const QString& valueName,
                    const char* defaultValue, char* buffer, DWORD bufferSize)
{
    const char* fallback = defaultValue ? defaultValue : "";
    const DWORD fallbackLength = DWORD(std::strlen(fallback));
    auto useDefault = [&]() -> DWORD {
        if (buffer && bufferSize > 0) {
            const DWORD n = fallbackLength < bufferSize - 1 ? fallbackLength : bufferSize - 1;
            std::memcpy(buffer, fallback, n);
            buffer[n] = '\0';
        }
        return fallbackLength;
    };
    if (!buffer || bufferSize == 0)
        return useDefault();
    QString key;
    if (!BuildProductKeyPath(section, subsection, &key))
        return useDefault();
    if (Registry::OpenKey(kLocal, key) != ERROR_SUCCESS)
        return useDefault();
    DWORD type = 0;
    DWORD size = bufferSize;
    if (Registry::QueryValue(kLocal, key, valueName, &type, buffer, &size) != ERROR_SUCCESS)
        return useDefault();
    if (type != REG_SZ || size == 0 || size > bufferSize)
        return useDefault();
    // The value must end inside the buffer; a stored value without terminator gets one if it
    // fits, else it counts as too long.
    if (buffer[size - 1] != '\0') {
        if (size >= bufferSize)
            return useDefault();
        buffer[size] = '\0';
        ++size;
    }
    return size;
}

QString ReadRegString(const QString& section, const QString& subsection, const QString& valueName,
                      const QString& defaultValue, DWORD bufferSize)
{
    if (bufferSize == 0)
        return defaultValue;
    QByteArray buffer(int(bufferSize), '\0');
    const QByteArray fallback = defaultValue.toUtf8();
    ReadRegString(section, subsection, valueName, fallback.constData(), buffer.data(), bufferSize);
    return QString::fromUtf8(buffer.constData());
}

DWORD WriteRegDword(const QString& section, const QString& subsection, const QString& valueName,
                    DWORD value)
{
    QString key;
    if (!BuildProductKeyPath(section, subsection, &key))
        return ERROR_INVALID_PARAMETER;
    const DWORD created = Registry::CreateKey(kLocal, key, QString::fromLatin1(kProductKeyClass));
    if (created != ERROR_SUCCESS)
        return created;
    const unsigned char bytes[4] = {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
    return Registry::SetValue(kLocal, key, valueName, REG_DWORD, bytes, sizeof bytes);
}

char16_t* WidenText(const char* text, char16_t* wide, int count)
{
    if (!wide)
        return nullptr;
    if (!text) {
        wide[0] = u'\0';
        return wide;
    }
    const int length = int(std::strlen(text));
    if (count <= 0)
        count = length + 1;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString converted = decoder.decode(QByteArrayView(text, length));
    if (!decoder.hasError() && converted.size() < count) {
        std::memcpy(wide, converted.utf16(), size_t(converted.size()) * sizeof(char16_t));
        wide[converted.size()] = u'\0';
        return wide;
    }
    // Byte by byte, keeping the last unit for the terminator.
    int i = 0;
    for (; i < count - 1 && i < length; ++i)
        wide[i] = char16_t(static_cast<unsigned char>(text[i]));
    wide[i] = u'\0';
    return wide;
}

QString ServiceHomeDirectory()
{
    char buffer[256];
    ReadRegString(QStringLiteral("Path"), QString(), QStringLiteral("Home"), "C:\\ALERT", buffer,
                  sizeof buffer);
    return QString::fromUtf8(buffer);
}

QString HelpDirectory()
{
    return ServiceHomeDirectory() + QStringLiteral("\\Help\\");
}
