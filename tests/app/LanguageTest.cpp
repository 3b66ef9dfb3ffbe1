// Choosing the interface language at start, and Qt's own translations for Chinese.
#include "../common/TempWorld.h"
#include "app/CommandLine.h"
#include "app/Language.h"

#include "framework/UiHost.h"
#include "network/ServerLogonDlg.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/MessageText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <functional>
#include <gtest/gtest.h>

namespace {

using Res::Language;

Language Chosen(const QString& option, const QStringList& locales)
{
    Language language = Language::English;
    EXPECT_TRUE(UiLanguage::Choose(option, locales, &language)) << option.toStdString();
    return language;
}

TEST(UiLanguage, OptionFirstThenTheUsersFirstLocaleElseChinese)
{
    EXPECT_EQ(Chosen(QString(), {}), Language::TraditionalChinese);
    EXPECT_EQ(Chosen(QString(), {QStringLiteral("C")}), Language::TraditionalChinese);
    EXPECT_EQ(Chosen(QString(), {QStringLiteral("zh-TW")}), Language::TraditionalChinese);
    EXPECT_EQ(Chosen(QString(), {QStringLiteral("de-DE"), QStringLiteral("en-US")}), Language::TraditionalChinese);
    EXPECT_EQ(Chosen(QString(), {QStringLiteral("en-GB")}), Language::English);
    EXPECT_EQ(Chosen(QString(), {QStringLiteral("en")}), Language::English);
    // "eng" or "enx" are not English locales.
    EXPECT_EQ(Chosen(QString(), {QStringLiteral("enx")}), Language::TraditionalChinese);
    EXPECT_EQ(Chosen(QStringLiteral("en"), {QStringLiteral("zh-TW")}), Language::English);
    EXPECT_EQ(Chosen(QStringLiteral("EN_us"), {}), Language::English);
    EXPECT_EQ(Chosen(QStringLiteral("zh"), {QStringLiteral("en-US")}), Language::TraditionalChinese);
    EXPECT_EQ(Chosen(QStringLiteral("zh_TW"), {QStringLiteral("en-US")}), Language::TraditionalChinese);
    Language language = Language::English;
    EXPECT_FALSE(UiLanguage::Choose(QStringLiteral("fr"), {}, &language));
    EXPECT_FALSE(UiLanguage::Choose(QStringLiteral("english"), {}, &language));
}

TEST(UiLanguage, TheCommandLineTakesLangWithAValue)
{
    CCommandLine line;
    ASSERT_TRUE(line.Parse({QStringLiteral("vigimor"), QStringLiteral("--lang"), QStringLiteral("en")}, nullptr));
    EXPECT_EQ(line.language, QStringLiteral("en"));
    CCommandLine inlineValue;
    ASSERT_TRUE(inlineValue.Parse({QStringLiteral("vigimor"), QStringLiteral("--lang=zh")}, nullptr));
    EXPECT_EQ(inlineValue.language, QStringLiteral("zh"));
    CCommandLine missing;
    QString error;
    EXPECT_FALSE(missing.Parse({QStringLiteral("vigimor"), QStringLiteral("--lang")}, &error));
    EXPECT_FALSE(error.isEmpty());
}

// Runs with the first modal window the code shows: records it (saved as NAME.png under
// VIGIMOR_SCREENSHOT_DIR when that is set), then lets act close it.
class ModalWatcher {
public:
    ModalWatcher(const QString& name, std::function<void(QWidget*)> act) : m_name(name), m_act(std::move(act))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            m_timer.stop();
            const QString dir = qEnvironmentVariable("VIGIMOR_SCREENSHOT_DIR");
            if (!dir.isEmpty())
                modal->grab().save(dir + QLatin1Char('/') + m_name + QStringLiteral(".png"), "PNG");
            m_seen = true;
            m_act(modal);
        });
        m_timer.start();
    }
    bool Seen() const { return m_seen; }

private:
    QString m_name;
    std::function<void(QWidget*)> m_act;
    QTimer m_timer;
    bool m_seen = false;
};

QStringList ButtonTexts(QWidget* box)
{
    QStringList texts;
    for (QAbstractButton* b : box->findChildren<QAbstractButton*>())
        texts << b->text();
    texts.sort();
    return texts;
}

class ScopedLanguage {
public:
    explicit ScopedLanguage(Language language) : m_previous(Res::CurrentLanguage()) { Res::SetLanguage(language); }
    ~ScopedLanguage() { Res::SetLanguage(m_previous); }

private:
    Language m_previous;
};

TEST(UiLanguage, MessageBoxesAndThePrintDialogSpeakTheInterfaceLanguage)
{
    QtUiHost host;
    ScopedUiHost scope(&host);
    const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
    ASSERT_EQ(cancel, QStringLiteral("Cancel"));
    // Where there are no translations, nothing changes and nothing fails loudly; English needs none.
    QTemporaryDir empty;
    EXPECT_EQ(UiLanguage::InstallQtTranslations(Language::TraditionalChinese, empty.path()), nullptr);
    EXPECT_EQ(UiLanguage::InstallQtTranslations(Language::English), nullptr);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);

    for (const Language language : {Language::English, Language::TraditionalChinese}) {
        const ScopedLanguage chosen(language);
        const bool chinese = language == Language::TraditionalChinese;
        const QString suffix = chinese ? QStringLiteral("-zh") : QStringLiteral("-en");
        // scripts/bootstrap installs Qt's translations.
        QTranslator* translator = UiLanguage::InstallQtTranslations(language);
        ASSERT_EQ(translator != nullptr, chinese);

        QStringList buttons;
        ModalWatcher box(QStringLiteral("messagebox") + suffix, [&](QWidget* w) {
            buttons = ButtonTexts(w);
            for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
                if (b->text() == LoadString(IDS_BUTTON_NO))
                    b->click();
        });
        EXPECT_EQ(AfxMessageBox(FormatString(IDS_HELP_MISSING, {QStringLiteral("C:\\ALERT\\Help\\Index.htm")}),
                                MB_YESNO | MB_ICONQUESTION),
                  IDNO);
        ASSERT_TRUE(box.Seen());
        QStringList expected {LoadString(IDS_BUTTON_YES), LoadString(IDS_BUTTON_NO)};
        expected.sort();
        EXPECT_EQ(buttons, expected);
        EXPECT_EQ(LoadString(IDS_BUTTON_NO), chinese ? QString::fromUtf8("否(&N)") : QStringLiteral("&No"));

        QString title;
        ModalWatcher print(QStringLiteral("printdialog") + suffix, [&](QWidget* w) {
            title = w->windowTitle();
            static_cast<QDialog*>(w)->reject();
        });
        QPrinter printer;
        EXPECT_FALSE(UiHost::Current()->PrintDialog(&printer, nullptr));
        ASSERT_TRUE(print.Seen());
        EXPECT_EQ(title, chinese ? QString::fromUtf8("列印") : QStringLiteral("Print"));

        // One of the console's own dialogs: caption and labels from the chosen table.
        QString caption;
        QStringList labels;
        ModalWatcher logon(QStringLiteral("logondialog") + suffix, [&](QWidget* w) {
            caption = w->windowTitle();
            for (QLabel* label : w->findChildren<QLabel*>())
                labels << label->text();
            static_cast<QDialog*>(w)->reject();
        });
        {
            TempWorld world;
            CServerLogonDlg dialog;
            UiHost::Current()->RunModal(&dialog);
        }
        ASSERT_TRUE(logon.Seen());
        EXPECT_EQ(caption, chinese ? QString::fromUtf8("伺服器登入") : QStringLiteral("Server Logon"));
        EXPECT_TRUE(labels.contains(chinese ? QString::fromUtf8("伺服器名稱(&S):") : QStringLiteral("&Server name:")))
            << labels.join(u'|').toStdString();

        if (translator) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
}

} // namespace
