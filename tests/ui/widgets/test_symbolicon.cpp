// Symbols on light and dark palettes: drawn in the palette's text colour whether they
// come from the icon theme or from the program's own copies, and present on a desktop
// without any icon theme.
#include "widgets/symbolicon.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QToolButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace tovik;

namespace {

QPalette withWindowText(const QColor &text, const QColor &window)
{
    QPalette palette = QApplication::palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Window, window);
    }
    return palette;
}

// The colours of the visible pixels of `picture`, without their alpha.
QSet<QRgb> drawnColours(const QPixmap &picture)
{
    const QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) >= 128)
                colours.insert(qRgb(qRed(pixel), qGreen(pixel), qBlue(pixel)));
        }
    }
    return colours;
}

// The same for `icon` drawn at 16 points.
QSet<QRgb> drawnColours(const QIcon &icon)
{
    return drawnColours(icon.pixmap(QSize(16, 16)));
}

// True when something was drawn and every drawn colour is near `colour`.
bool allNear(const QSet<QRgb> &colours, const QColor &colour)
{
    if (colours.isEmpty())
        return false;
    for (const QRgb drawn : colours) {
        if (qAbs(qRed(drawn) - colour.red()) > 3 || qAbs(qGreen(drawn) - colour.green()) > 3
            || qAbs(qBlue(drawn) - colour.blue()) > 3)
            return false;
    }
    return true;
}

bool near(QRgb a, const QColor &b)
{
    return qAbs(qRed(a) - b.red()) <= 3 && qAbs(qGreen(a) - b.green()) <= 3 && qAbs(qBlue(a) - b.blue()) <= 3;
}

void useThemes(const QStringList &searchPaths, const QString &theme)
{
    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setFallbackThemeName(QString());
    QIcon::setThemeName(theme);
}

} // namespace

class TestSymbolIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everySymbolShowsWithoutAnIconTheme();
    void symbolsTakeThePaletteTextColour_data();
    void symbolsTakeThePaletteTextColour();
    void themeSymbolsAreRecolouredToo();
    void symbolsFollowTheirOwnWidgetsPalette();
};

void TestSymbolIcon::everySymbolShowsWithoutAnIconTheme()
{
    useThemes({}, QStringLiteral("no-such-theme"));
    QVERIFY(symbolNames().size() >= 25);
    for (const QString &symbol : symbolNames()) {
        QVERIFY2(!fallbackSymbolPath(freedesktopIconName(symbol)).isEmpty(), qPrintable(symbol));
        const QIcon icon = symbolIcon(symbol);
        QVERIFY2(!icon.isNull(), qPrintable(symbol));
        QVERIFY2(!drawnColours(icon).isEmpty(), qPrintable(symbol));
    }
    QVERIFY(symbolIcon(QStringLiteral("no.such.symbol")).isNull());
}

void TestSymbolIcon::symbolsTakeThePaletteTextColour_data()
{
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("window");
    QTest::newRow("light") << QColor(0x20, 0x20, 0x20) << QColor(0xef, 0xef, 0xef);
    QTest::newRow("dark") << QColor(0xee, 0xee, 0xee) << QColor(0x35, 0x35, 0x35);
}

void TestSymbolIcon::symbolsTakeThePaletteTextColour()
{
    QFETCH(QColor, text);
    QFETCH(QColor, window);
    useThemes({}, QStringLiteral("no-such-theme"));
    QApplication::setPalette(withWindowText(text, window));
    for (const QString &symbol : symbolNames()) {
        const QSet<QRgb> colours = drawnColours(symbolIcon(symbol));
        QVERIFY2(!colours.isEmpty(), qPrintable(symbol));
        for (const QRgb colour : colours)
            QVERIFY2(near(colour, text), qPrintable(symbol + QStringLiteral(" drawn in ") + QColor(colour).name()));
    }
}

void TestSymbolIcon::themeSymbolsAreRecolouredToo()
{
    // A theme whose plus symbol is red: it is drawn in the palette's colour all the same.
    QTemporaryDir themes;
    const QString folder = themes.filePath(QStringLiteral("red/16x16/actions"));
    QVERIFY(QDir().mkpath(folder));
    QFile index(themes.filePath(QStringLiteral("red/index.theme")));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=red\nDirectories=16x16/actions\n\n[16x16/actions]\nSize=16\nType=Fixed\n");
    index.close();
    QFile svg(folder + QStringLiteral("/tab-new-symbolic.svg"));
    QVERIFY(svg.open(QIODevice::WriteOnly));
    svg.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16">)"
              R"(<rect width="16" height="16" fill="#ff0000"/></svg>)");
    svg.close();
    useThemes({themes.path()}, QStringLiteral("red"));
    const QColor text(0xee, 0xee, 0xee);
    QApplication::setPalette(withWindowText(text, QColor(0x35, 0x35, 0x35)));
    const QSet<QRgb> colours = drawnColours(symbolIcon(QStringLiteral("plus")));
    QCOMPARE(colours.size(), 1); // the theme's square, not the shipped cross
    QVERIFY2(near(*colours.begin(), text), qPrintable(QColor(*colours.begin()).name()));
}

void TestSymbolIcon::symbolsFollowTheirOwnWidgetsPalette()
{
    // A dark panel inside a light application (the picture window is the reverse): its
    // buttons and labels draw their symbols in the panel's text colour, and follow it when
    // the panel's or the application's palette changes.
    useThemes({}, QStringLiteral("no-such-theme"));
    const QColor lightText(0x20, 0x20, 0x20);
    const QColor darkText(0xee, 0xee, 0xee);
    const QColor orange(0xff, 0x88, 0x00);
    QApplication::setPalette(withWindowText(lightText, QColor(0xef, 0xef, 0xef)));
    QWidget window;
    auto *panel = new QWidget(&window);
    panel->setPalette(withWindowText(darkText, QColor(0x35, 0x35, 0x35)));
    auto *button = new QToolButton(panel);
    button->setIcon(symbolIcon(QStringLiteral("plus"), button));
    auto *label = new QLabel(panel);
    showSymbol(label, QStringLiteral("magnifyingglass"), 16);
    auto *plainLabel = new QLabel(&window);
    showSymbol(plainLabel, QStringLiteral("gear"), 16);

    QVERIFY2(allNear(drawnColours(button->icon()), darkText), "button on the dark panel");
    QVERIFY2(allNear(drawnColours(label->pixmap()), darkText), "label on the dark panel");
    QVERIFY2(allNear(drawnColours(plainLabel->pixmap()), lightText), "label outside the panel");

    panel->setPalette(withWindowText(orange, QColor(0x10, 0x10, 0x10)));
    QVERIFY2(allNear(drawnColours(button->icon()), orange), "button after the panel changed");
    QVERIFY2(allNear(drawnColours(label->pixmap()), orange), "label after the panel changed");

    // The desktop switching to a dark theme reaches labels that keep the application's palette.
    QApplication::setPalette(withWindowText(darkText, QColor(0x35, 0x35, 0x35)));
    QTRY_VERIFY2(allNear(drawnColours(plainLabel->pixmap()), darkText), "label after the theme changed");
}

QTEST_MAIN(TestSymbolIcon)
#include "test_symbolicon.moc"
