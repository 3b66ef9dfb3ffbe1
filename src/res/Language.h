#pragma once
// The language of every text, menu and dialog: Traditional Chinese unless changed once at
// start, before the first text is read.

namespace Res {

enum class Language { TraditionalChinese, English };
void SetLanguage(Language language);
Language CurrentLanguage();

} // namespace Res
