#include "framework/qt/ChooseDialogFont.h"

#include "framework/qt/Utf8.h"

#include <QApplication>
#include <QFontDatabase>
#include <QString>
#include <QStringList>

namespace slabcal {

namespace {

// Qt lists a family that more than one foundry makes as "Family [Foundry]", once for each.
QString FindFamily(const QString& wanted) {
    for (const auto& family : QFontDatabase::families()) {
        const QString name = family.section(QLatin1String(" ["), 0, 0);
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return family;
    }
    return {};
}

} // namespace

QString ChineseFontFamily() {
    for (const char* preferred :
         {"WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "Noto Sans CJK SC", "Noto Sans SC"}) {
        QString family = FindFamily(FromUtf8(preferred));
        if (!family.isEmpty())
            return family;
    }
    QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    return chinese.isEmpty() ? QString() : chinese.front();
}

QFont ChooseDialogFont(std::string_view family, int points) {
    QString chosen = FindFamily(FromUtf8(family));
    if (chosen.isEmpty())
        chosen = ChineseFontFamily();
    QFont font = QApplication::font();
    if (!chosen.isEmpty())
        font.setFamilies({chosen});
    if (points > 0)
        font.setPointSize(points);
    return font;
}

} // namespace slabcal
