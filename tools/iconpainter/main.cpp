// Writes the program's action icons and cross bitmap to <resources>/images and the
// logo to <resources>/logo.

#include "icons.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>

namespace {

// The view's cross marker: a 3 x 3 plus sign, "#" opaque, "." transparent.
const char crossXpm[] =
    "/* XPM */\n"
    "static const char *cross[] = {\n"
    "\"3 3 2 1\",\n"
    "\"# c #000000\",\n"
    "\". c None\",\n"
    "\".#.\",\n"
    "\"###\",\n"
    "\".#.\"};\n";

bool save(const QImage &image, const QString &path)
{
    if (image.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    // Painting into images needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources directory>\n", argv[0]);
        return 2;
    }
    const QDir resources(QString::fromLocal8Bit(argv[1]));
    resources.mkpath(QStringLiteral("images"));
    resources.mkpath(QStringLiteral("logo"));

    bool ok = true;
    for (const IconDrawing &icon : actionIcons())
        ok &= save(render(icon.paint, 16, 16), resources.filePath(QStringLiteral("images/") + icon.fileName));
    for (int size : {16, 32, 128})
        ok &= save(render(paintLogo, 128, size),
                   resources.filePath(QStringLiteral("logo/mrilogo_%1px.png").arg(size)));

    QFile cross(resources.filePath(QStringLiteral("images/cross.xpm")));
    ok &= cross.open(QIODevice::WriteOnly) && cross.write(crossXpm) == qint64(sizeof crossXpm - 1);
    return ok ? 0 : 1;
}
