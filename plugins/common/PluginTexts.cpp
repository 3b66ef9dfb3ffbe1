#include "PluginTexts.h"

namespace PluginTexts {

QString Text(Id id)
{
    static const char* const texts[] = {
        "通訊錄",
        "Notes 通訊錄",
        "名稱(&N):",
        "收件者(&T):",
        "副本(&C):",
        "密件副本(&B):",
        "收件者 ->",
        "副本 ->",
        "密件副本 ->",
        "移除(&R)",
        "確定",
        "取消",
        "選擇設定檔",
        "設定檔名稱(&P):",
        "預設設定檔",
    };
    const int index = int(id);
    if (index < 0 || index >= int(sizeof(texts) / sizeof(texts[0])))
        return QString();
    return QString::fromUtf8(texts[index]);
}

} // namespace PluginTexts
