#include "app/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace UiLanguage {

namespace {

bool IsEnglish(const QString& name)
{
    return name.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0 ||
           name.startsWith(QLatin1String("en-"), Qt::CaseInsensitive) ||
           name.startsWith(QLatin1String("en_"), Qt::CaseInsensitive);
}

bool IsChinese(const QString& name)
{
    return name.compare(QLatin1String("zh"), Qt::CaseInsensitive) == 0 ||
           name.startsWith(QLatin1String("zh-"), Qt::CaseInsensitive) ||
           name.startsWith(QLatin1String("zh_"), Qt::CaseInsensitive);
}

} // namespace

bool Choose(const QString& option, const QStringList& uiLanguages, Res::Language* language)
{
    if (!option.isEmpty()) {
        if (!IsEnglish(option) && !IsChinese(option))
            return false;
        *language = IsEnglish(option) ? Res::Language::English : Res::Language::TraditionalChinese;
        return true;
    }
    // Only the user's first choice counts: an English locale asks for English, anything else
    // (Chinese, another language, the plain C locale) gets the console's own Chinese.
    const bool english = !uiLanguages.isEmpty() && IsEnglish(uiLanguages.first());
    *language = english ? Res::Language::English : Res::Language::TraditionalChinese;
    return true;
}

QTranslator* InstallQtTranslations(Res::Language language, const QString& directory)
{
    // Qt's texts are English already.
    if (language == Res::Language::English || !QCoreApplication::instance())
        return nullptr;
    const QString dir = directory.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : directory;
    const QLocale taiwan(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan);
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(taiwan, QStringLiteral("qtbase"), QStringLiteral("_"), dir) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

} // namespace UiLanguage
