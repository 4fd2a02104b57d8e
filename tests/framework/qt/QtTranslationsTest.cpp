// The Yes/No boxes' buttons in the operator's language, from Qt's own translations.
#include "framework/qt/QtTranslations.h"
#include "framework/qt/QtMessageBox.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <filesystem>
#include <utility>

namespace slabcal {
namespace {

TEST(QtTranslations, TheQuestionsButtonsSpeakTheSystemsLanguageElseChinese) {
    if (!std::filesystem::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString() +
                                 "/qtbase_zh_CN.qm"))
        GTEST_SKIP() << "Qt's translations are not installed (qt6-translations-l10n)";
    const struct {
        QLocale locale;
        const char* yes;
        const char* no;
    } cases[] = {
        {QLocale::c(), "是", "否"}, // a service or a board without LANG
        {QLocale(QLocale::Chinese, QLocale::China), "是", "否"},
        {QLocale(QLocale::German, QLocale::Germany), "Ja", "Nein"},
    };
    const QLocale before;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        QLocale::setDefault(c.locale);
        QTranslator* translator = InstallQtTranslations();
        ASSERT_NE(translator, nullptr);
        const QtMessageBox box(nullptr, "确定要保存标定文件吗？", "", MessageBoxButtons::YesNo);
        // The mnemonic ("&Ja", "是(&Y)") aside, the word is the translation's.
        for (const auto& [button, word] :
             {std::pair{QMessageBox::Yes, c.yes}, std::pair{QMessageBox::No, c.no}}) {
            const QString text = box.button(button)->text().remove(QLatin1Char('&'));
            EXPECT_TRUE(text.startsWith(QString::fromUtf8(word))) << text.toStdString();
        }
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    QLocale::setDefault(before);
}

} // namespace
} // namespace slabcal
