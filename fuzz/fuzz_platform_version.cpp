// Any bytes as a program file: the version reader must answer or refuse, never read outside.
#include "platform/VersionInfo.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray image(reinterpret_cast<const char*>(data), qsizetype(size));
    QByteArray block;
    if (!Version::ReadVersionBlockFromImage(image, &block))
        return 0;
    VS_FIXEDFILEINFO fixed;
    if (!Version::QueryFixed(block, &fixed))
        __builtin_trap();  // a block handed out always has its root
    QString text;
    QByteArray binary;
    Version::QueryString(block, QStringLiteral("\\StringFileInfo\\040904B0\\FileDescription"), &text);
    Version::QueryBinary(block, QStringLiteral("\\VarFileInfo\\Translation"), &binary);
    const void* value = nullptr;
    UINT length = 0;
    VerQueryValue(block.constData(), QStringLiteral("\\StringFileInfo\\040404B0\\FileDescription"), &value, &length);
    return 0;
}
