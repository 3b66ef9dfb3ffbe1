#pragma once
// The language of the user interface: Traditional Chinese unless "--lang en" or the user's
// locale asks for English. Qt's own texts (standard buttons, the print and file dialogs) follow
// through Qt's translations where the system has them.
#include "res/Language.h"

#include <QString>
#include <QStringList>

class QTranslator;

namespace UiLanguage {

// option: the value of --lang (empty when not given); uiLanguages: the user's preferred
// languages, first first (QLocale::system().uiLanguages()). False for an option naming neither
// language.
bool Choose(const QString& option, const QStringList& uiLanguages, Res::Language* language);

// Loads Qt's own translations for the language from the directory (Qt's translations folder
// when empty) into the application, which owns the translator returned. Null, and nothing
// changes, when there are none.
QTranslator* InstallQtTranslations(Res::Language language, const QString& directory = QString());

} // namespace UiLanguage
