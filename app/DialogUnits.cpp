#include "app/DialogUnits.hpp"

#include <QFontDatabase>
#include <QStringList>

namespace {

constexpr int kDialogPointSize = 9;

QString FirstInstalledFamily() {
    const QStringList installed = QFontDatabase::families();
    const QStringList preferred = {"宋体",
                                   "SimSun",
                                   "AR PL UMing CN",
                                   "AR PL UMing TW",
                                   "Noto Serif CJK SC",
                                   "WenQuanYi Micro Hei",
                                   "Noto Sans CJK SC"};
    for (const QString& family : preferred) {
        if (installed.contains(family, Qt::CaseInsensitive)) {
            return family;
        }
    }
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    return chinese.isEmpty() ? QString() : chinese.first();
}

// Dialog units are defined in whole units: x / 4 and y / 8 of the base, rounded like MulDiv.
int Scale(int value, int base, int divisor) {
    return (value * base + divisor / 2) / divisor;
}

}  // namespace

QFont DialogFont() {
    QFont font;
    const QString family = FirstInstalledFamily();
    if (!family.isEmpty()) {
        font.setFamily(family);
    }
    font.setPointSize(kDialogPointSize);
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFontMetrics& metrics) {
    // The average over the Latin letters, as the dialog manager measures it.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

QRect DialogUnitsToPixels(const QRect& units, DialogBaseUnits base) {
    return {Scale(units.x(), base.width, 4), Scale(units.y(), base.height, 8),
            Scale(units.width(), base.width, 4), Scale(units.height(), base.height, 8)};
}

QSize DialogUnitsToPixels(const QSize& units, DialogBaseUnits base) {
    return {Scale(units.width(), base.width, 4), Scale(units.height(), base.height, 8)};
}
