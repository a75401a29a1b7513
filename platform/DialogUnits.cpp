#include "platform/DialogUnits.h"

#include <QFontMetrics>
#include <QStringList>
#include <cstdlib>

namespace {

constexpr int kLogicalDpi = 96;

// Stand-ins for faces that are not installed here; the first one present wins.
QStringList withSubstitutes(const QString& face)
{
    QStringList families{face};
    if (face == QStringLiteral("ＭＳ Ｐゴシック") || face == QStringLiteral("MS PGothic"))
        families << QStringLiteral("MS PGothic") << QStringLiteral("IPAPGothic");
    else if (face == QStringLiteral("ＭＳ ゴシック") || face == QStringLiteral("MS Gothic"))
        families << QStringLiteral("MS Gothic") << QStringLiteral("IPAGothic");
    families.removeDuplicates();
    return families;
}

} // namespace

QFont dialogFont(const char* face, int pointSize)
{
    QFont font;
    font.setFamilies(withSubstitutes(QString::fromUtf8(face)));
    font.setPixelSize(mulDiv(pointSize, kLogicalDpi, 72));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

DialogBaseUnits dialogBaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width / 26 + 1) / 2, metrics.height()};
}

int mulDiv(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    const long long half = std::llabs(c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const long long magnitude = (std::llabs(product) + half) / std::llabs(c);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

QRect mapDialogRect(const DialogBaseUnits& units, int x, int y, int cx, int cy)
{
    const int left = mulDiv(x, units.cx, 4);
    const int top = mulDiv(y, units.cy, 8);
    const int right = mulDiv(x + cx, units.cx, 4);
    const int bottom = mulDiv(y + cy, units.cy, 8);
    return QRect(left, top, right - left, bottom - top);
}
