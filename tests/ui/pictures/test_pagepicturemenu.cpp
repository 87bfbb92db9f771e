#include "documents/selectablepdfpageview.h"
#include "pictures/pagepicturemenu.h"
#include "pictures/pagepicturewindow.h"
#include "pdf/pdfdocument.h"
#include "support/isolatedhome.h"

#include <QMenu>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>

using namespace tovik;

class TestPagePictureMenu : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void initTestCase();
    void menuOffersThePicturesOfThePage();

private:
    QTemporaryDir m_folder;
    QString m_pdf;
};

namespace {
QImage chart(QColor colour)
{
    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(40, 60, 80, 140, colour);
    painter.fillRect(160, 20, 80, 180, colour.darker());
    return image;
}

QList<QAction *> pictureActions(QMenu &menu)
{
    QList<QAction *> actions = menu.actions();
    const auto separator = std::find_if(actions.cbegin(), actions.cend(), [](QAction *a) { return a->isSeparator(); });
    return separator == actions.cend() ? QList<QAction *>{} : actions.mid(separator - actions.cbegin() + 1);
}
} // namespace

void TestPagePictureMenu::initTestCase()
{
    installPagePictureMenu();
    // Page 1: text only. Page 2: one chart. Page 3: two charts far apart.
    m_pdf = m_folder.filePath(QStringLiteral("charts.pdf"));
    QPdfWriter writer(m_pdf);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::A4));
    QPainter painter(&writer);
    painter.drawText(QPointF(72, 72), QStringLiteral("Text only"));
    writer.newPage();
    painter.drawImage(QRectF(72, 100, 200, 100), chart(Qt::blue));
    writer.newPage();
    painter.drawImage(QRectF(72, 100, 200, 100), chart(Qt::red));
    painter.drawImage(QRectF(72, 500, 200, 100), chart(Qt::green));
}

void TestPagePictureMenu::menuOffersThePicturesOfThePage()
{
    const PdfOpenResult opened = openPdfDocument(m_pdf);
    QVERIFY(opened.document);
    SelectablePDFPageView view;
    auto menuFor = [&](int index) {
        SelectablePDFPage row;
        row.pdfPage = opened.document->page(index);
        row.image = row.pdfPage->render(400);
        row.textKey = QStringLiteral("charts.pdf\u001e%1").arg(index + 1);
        row.caption = QStringLiteral("charts.pdf page %1").arg(index + 1);
        row.sourcePath = m_pdf;
        view.apply(row);
        return std::unique_ptr<QMenu>(view.makeContextMenu(nullptr));
    };

    std::unique_ptr<QMenu> textOnly = menuFor(0);
    QVERIFY(pictureActions(*textOnly).isEmpty());

    std::unique_ptr<QMenu> one = menuFor(1);
    QList<QAction *> items = pictureActions(*one);
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.first()->text(), QStringLiteral("Open Image"));
    QVERIFY(!items.first()->menu());
    items.first()->trigger();
    QCOMPARE(PagePictureWindow::openWindows().size(), 1);
    QCOMPARE(PagePictureWindow::openWindows().first()->windowTitle().section(QStringLiteral(" — tovik"), 0, 0),
             QStringLiteral("charts.pdf page 2"));

    std::unique_ptr<QMenu> two = menuFor(2);
    items = pictureActions(*two);
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.first()->text(), QStringLiteral("Open Image"));
    QMenu *submenu = items.first()->menu();
    QVERIFY(submenu);
    QCOMPARE(submenu->actions().size(), 2);
    QCOMPARE(submenu->actions().at(0)->text(), QStringLiteral("Image 1"));
    QCOMPARE(submenu->actions().at(1)->text(), QStringLiteral("Image 2"));
    submenu->actions().at(1)->trigger();
    QCOMPARE(PagePictureWindow::openWindows().size(), 2);
    QVERIFY(PagePictureWindow::openWindows().last()->windowTitle().startsWith(
        QStringLiteral("charts.pdf page 3 — Image 2")));
    qDeleteAll(PagePictureWindow::openWindows());
}

QTEST_MAIN(TestPagePictureMenu)
#include "test_pagepicturemenu.moc"
