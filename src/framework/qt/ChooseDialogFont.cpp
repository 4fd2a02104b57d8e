#include "framework/qt/ChooseDialogFont.h"

#include "framework/qt/Utf8.h"

#include <QApplication>
#include <QFontDatabase>
#include <QString>
#include <QStringList>

namespace slabcal {

namespace {

QString FindFamily(const QString& wanted) {
    for (const auto& family : QFontDatabase::families()) {
        if (family.compare(wanted, Qt::CaseInsensitive) == 0)
            return family;
    }
    return {};
}

QString ChineseFallbackFamily() {
    for (const char* preferred :
         {"WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "Noto Sans CJK SC", "Noto Sans SC"}) {
        QString family = FindFamily(FromUtf8(preferred));
        if (!family.isEmpty())
            return family;
    }
    QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    return chinese.isEmpty() ? QString() : chinese.front();
}

} // namespace

QFont ChooseDialogFont(std::string_view family, int points) {
    QString chosen = FindFamily(FromUtf8(family));
    if (chosen.isEmpty())
        chosen = ChineseFallbackFamily();
    QFont font = QApplication::font();
    if (!chosen.isEmpty())
        font.setFamilies({chosen});
    if (points > 0)
        font.setPointSize(points);
    return font;
}

} // namespace slabcal
