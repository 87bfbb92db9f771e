// Build tool: renders the application icon's SVG to the PNG sizes of the hicolor theme
// through Qt's SVG image plugin.
//
//   rendericon ICON.svg OUTPUT_ROOT SIZE...   writes OUTPUT_ROOT/SIZExSIZE/apps/NAME.png

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 4) {
        std::fputs("usage: rendericon ICON.svg OUTPUT_ROOT SIZE...\n", stderr);
        return 2;
    }
    const QString svg = arguments.at(1);
    const QString root = arguments.at(2);
    const QString name = QFileInfo(svg).completeBaseName() + QStringLiteral(".png");
    for (const QString &sizeText : arguments.mid(3)) {
        const int size = sizeText.toInt();
        QImageReader reader(svg, "svg");
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        if (image.isNull() || size <= 0) {
            std::fprintf(stderr, "rendericon: can't render %s at %s: %s\n", qPrintable(svg), qPrintable(sizeText),
                         qPrintable(reader.errorString()));
            return 1;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        if (!QDir().mkpath(folder) || !image.save(folder + QLatin1Char('/') + name)) {
            std::fprintf(stderr, "rendericon: can't write %s\n", qPrintable(folder + QLatin1Char('/') + name));
            return 1;
        }
    }
    return 0;
}
