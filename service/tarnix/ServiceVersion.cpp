#include "tarnix/ServiceVersion.h"

#include "platform/Registry.h"

#include <QStringList>

namespace Tarnix {

bool ParseVersionText(const QString& text, int32_t version[4])
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    int32_t v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const uint n = parts[i].toUInt(&ok);
        if (!ok || n > 65535)
            return false;
        v[i] = static_cast<int32_t>(n);
    }
    std::copy(v, v + 4, version);
    return true;
}

DWORD ReadServiceVersion(const MachineStore& store, int32_t version[4])
{
    static const int32_t kBuiltIn[4] = {4, 5, 0, 0};
    QString text;
    if (Registry::GetString(store.Machine(), QString::fromLatin1(kProductKey), QStringLiteral("Version"), &text) &&
        ParseVersionText(text, version))
        return 0;
    std::copy(kBuiltIn, kBuiltIn + 4, version);
    return 0;
}

} // namespace Tarnix
