#include "WindowFonts.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>

namespace {

constexpr int smallestPixelSize = 8;

QString fontFolder()
{
    if (qEnvironmentVariableIsSet("DEPEXPORT_WINDOWS_FONTS_DIR"))
        return qEnvironmentVariable("DEPEXPORT_WINDOWS_FONTS_DIR");
    return QStringLiteral("/usr/share/wine/fonts");
}

bool loadFaces()
{
    const QString folder = fontFolder();
    if (folder.isEmpty())
        return false;
    const QDir dir(folder);
    int loaded = 0;
    // Not tahomabd.ttf: the "Tahoma Bold" of fonts-wine draws the strokes of
    // a regular face, so bold text in it looks regular. Without it Qt draws
    // bold Tahoma by thickening the regular face, which does look bold.
    for (const char *file : {"ms_sans_serif.ttf", "tahoma.ttf"}) {
        const QString path = dir.filePath(QLatin1String(file));
        if (QFile::exists(path) && QFontDatabase::addApplicationFont(path) >= 0)
            ++loaded;
    }
    return loaded > 0;
}

void insertStandIns()
{
    const QStringList sansSerif = {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                                   QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                                   QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sansSerif);
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), sansSerif);
}

QFont font(const char *family, int pixelSize)
{
    QFont f{QString::fromLatin1(family)};
    f.setPixelSize(pixelSize);
    return f;
}

// The bitmap face of "MS Sans Serif" that fonts-wine ships draws one size
// (11 pixels of character height, 13 a line) and no bold of its own. A
// font that asks it for more gets "Tahoma", the scalable face that took
// over its role on Windows, in that size and weight.
QFont drawable(QFont font)
{
    const QFontInfo face(font);
    if (QFontDatabase::isScalable(face.family(), face.styleName()))
        return font;
    if (!font.bold() && QFontMetrics(font).height() >= font.pixelSize())
        return font;
    font.setFamily(QStringLiteral("Tahoma"));
    return font;
}

} // namespace

namespace WindowFonts {

bool load()
{
    static const bool designedFaces = [] {
        insertStandIns();
        return loadFaces();
    }();
    return designedFaces;
}

QFont window()
{
    return font("MS Sans Serif", 11);
}

QFont caption()
{
    return font("Tahoma", 16);
}

QFont heading()
{
    QFont f = font("MS Sans Serif", 16);
    f.setBold(true);
    f.setUnderline(true);
    return drawable(f);
}

QFont fittedFont(const QFont &font, const QString &text, int width)
{
    QFont fitted = font;
    while (fitted.pixelSize() > smallestPixelSize && QFontMetrics(fitted).horizontalAdvance(text) > width)
        fitted.setPixelSize(fitted.pixelSize() - 1);
    return fitted;
}

} // namespace WindowFonts
