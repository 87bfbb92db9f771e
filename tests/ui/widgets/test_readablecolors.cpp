// Secondary text (placeholders, captions, the history list's stamps and answers) keeps
// at least 4.5:1 contrast on light and dark palettes, without becoming primary text.
#include "widgets/readablecolors.h"

#include <QApplication>
#include <QtTest>

using namespace tovik;

namespace {

QPalette paletteOf(const char *window, const char *base, const char *text, const char *highlight)
{
    QPalette palette;
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, QColor(QLatin1String(window)));
        palette.setColor(group, QPalette::Base, QColor(QLatin1String(base)));
        palette.setColor(group, QPalette::Text, QColor(QLatin1String(text)));
        palette.setColor(group, QPalette::WindowText, QColor(QLatin1String(text)));
        palette.setColor(group, QPalette::Highlight, QColor(QLatin1String(highlight)));
        // What Qt itself uses unless told otherwise: the text at half opacity.
        QColor placeholder = QColor(QLatin1String(text));
        placeholder.setAlpha(128);
        palette.setColor(group, QPalette::PlaceholderText, placeholder);
    }
    return palette;
}

} // namespace

class TestReadableColors : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void contrastFollowsWcag();
    void secondaryTextIsReadable_data();
    void secondaryTextIsReadable();
    void applicationPaletteStaysReadable();
};

void TestReadableColors::contrastFollowsWcag()
{
    QCOMPARE(contrastRatio(Qt::black, Qt::white), 21.0);
    QCOMPARE(contrastRatio(Qt::white, Qt::black), 21.0);
    QCOMPARE(contrastRatio(QColor(0x336699), QColor(0x336699)), 1.0);
    // The well-known boundary: #767676 is the lightest grey that passes on white.
    QVERIFY(contrastRatio(QColor(0x767676), Qt::white) >= 4.5);
    QVERIFY(contrastRatio(QColor(0x777777), Qt::white) < 4.5);
    QCOMPARE(qRound(contrastRatio(QColor(0x777777), Qt::white) * 100), 448);
    QCOMPARE(composited(QColor(0, 0, 0, 128), Qt::white).red(), 127);
}

void TestReadableColors::secondaryTextIsReadable_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::newRow("light") << paletteOf("#efefef", "#ffffff", "#000000", "#308cc6");
    QTest::newRow("Adwaita light") << paletteOf("#fafafa", "#ffffff", "#2e3436", "#3584e4");
    QTest::newRow("dark") << paletteOf("#353535", "#2a2a2a", "#ffffff", "#2a82da");
    QTest::newRow("dim dark") << paletteOf("#1e1e1e", "#262626", "#c8c8c8", "#3584e4");
}

void TestReadableColors::secondaryTextIsReadable()
{
    QFETCH(QPalette, palette);
    const QColor base = palette.color(QPalette::Base);
    const QColor window = palette.color(QPalette::Window);
    const QColor text = palette.color(QPalette::Text);

    const QColor secondary = secondaryTextColor(palette);
    QVERIFY2(contrastRatio(secondary, base) >= minimumTextContrast, qPrintable(secondary.name()));
    QVERIFY2(contrastRatio(secondary, window) >= minimumTextContrast, qPrintable(secondary.name()));
    // Still secondary: fainter than the text itself.
    QVERIFY2(contrastRatio(secondary, base) < contrastRatio(text, base) - 1.0, qPrintable(secondary.name()));

    makeSecondaryTextReadable(palette);
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        const QColor placeholder = composited(palette.color(group, QPalette::PlaceholderText), base);
        QVERIFY2(contrastRatio(placeholder, base) >= minimumTextContrast, qPrintable(placeholder.name()));
    }

    // The history rows: plain, hovered, ticked and current backgrounds.
    QColor hovered = text;
    hovered.setAlphaF(0.08F);
    QColor current = palette.color(QPalette::Highlight);
    current.setAlphaF(0.18F);
    for (const QColor &fill : {QColor(Qt::transparent), hovered, current}) {
        const QColor background = composited(fill, base);
        const QColor onRow = secondaryTextColor(text, background);
        QVERIFY2(contrastRatio(onRow, background) >= minimumTextContrast,
                 qPrintable(onRow.name() + QStringLiteral(" on ") + background.name()));
    }
}

void TestReadableColors::applicationPaletteStaysReadable()
{
    keepSecondaryTextReadable(*qApp);
    // The desktop switches to a dim dark theme whose placeholder is Qt's half-opaque text.
    const QPalette dark = paletteOf("#1e1e1e", "#262626", "#c8c8c8", "#3584e4");
    QVERIFY(contrastRatio(composited(dark.color(QPalette::PlaceholderText), dark.color(QPalette::Base)),
                          dark.color(QPalette::Base))
            < minimumTextContrast);
    QApplication::setPalette(dark);
    const QPalette shown = QApplication::palette();
    QVERIFY(contrastRatio(composited(shown.color(QPalette::PlaceholderText), shown.color(QPalette::Base)),
                          shown.color(QPalette::Base))
            >= minimumTextContrast);
    QCOMPARE(shown.color(QPalette::Base), dark.color(QPalette::Base));
}

QTEST_MAIN(TestReadableColors)
#include "test_readablecolors.moc"
