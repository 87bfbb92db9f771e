// Writes the PDF documents of the demo corpus (a fictional tea company) into a folder:
// a text report of several pages, a scanned memo without a text layer, and a page with
// a chart picture.

#include "samplepdf.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>

namespace {

SamplePage textPage(const QString &title, const QStringList &paragraphs)
{
    SamplePage page;
    page.title = title;
    page.paragraphs = paragraphs;
    return page;
}

QList<SamplePage> annualReport()
{
    return {
        textPage(QStringLiteral("Lantern Harbor Tea Company — Annual Report 2023"),
         {QStringLiteral("Lantern Harbor Tea Company grows and blends oolong and black teas in Nantou and sells them "
                         "in Taipei and through its web store."),
          QStringLiteral("In 2023 the company served 41,000 customers from three shops, in Da'an, Tamsui and "
                         "Banqiao, and online. This report covers the year from January to December 2023.")}),
        textPage(QStringLiteral("Revenue and growth"),
         {QStringLiteral("Revenue rose 18 percent to NT$ 96 million in 2023. Online sales grew fastest, up 42 "
                         "percent, and now make up a third of revenue."),
          QStringLiteral("The Da'an shop remained the largest store. The Tamsui shop lost money during its "
                         "renovation from May to August, when it was closed.")}),
        textPage(QStringLiteral("People"),
         {QStringLiteral("The company employs 64 people. Chen Da-wen leads research and development as manager "
                         "and oversees the new cold-brew line."),
          QStringLiteral("Lin Mei-ling became chief financial officer in March 2023. Wang Xiao-ming runs the web "
                         "store.")}),
        textPage(QStringLiteral("展望 2024"),
         {QStringLiteral("公司計劃於二〇二四年在台中開設第四家門市。研發部經理陳大文表示，冷泡茶系列將於六月上市。"),
          QStringLiteral("董事會核准新台幣一千二百萬元的設備投資，用於南投的烘焙廠。")}),
        textPage(QStringLiteral("Risks"),
         {QStringLiteral("Typhoons can damage the tea gardens in Nantou; the company insures its harvest and keeps "
                         "four months of stock in the Keelung warehouse."),
          QStringLiteral("Rising electricity prices raise the cost of roasting.")}),
    };
}

QList<SamplePage> scannedMemo()
{
    SamplePage page = textPage(QStringLiteral("MEMO: Warehouse inspection"),
                               {QStringLiteral("The Keelung warehouse will close for a fire safety inspection on 14 "
                                               "March 2024."),
                                QStringLiteral("Orders placed that week ship from the Nantou roasting plant instead."),
                                QStringLiteral("倉庫盤點將於三月十五日完成。")});
    page.scanned = true;
    return {page};
}

QImage revenueChart()
{
    const QList<std::pair<QString, int>> quarters = {
        {QStringLiteral("Q1"), 19}, {QStringLiteral("Q2"), 22}, {QStringLiteral("Q3"), 26}, {QStringLiteral("Q4"), 29}};
    QImage image(1200, 700, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font(QStringLiteral("Noto Sans CJK TC"));
    font.setPixelSize(34);
    painter.setFont(font);
    const QRectF plot(140, 60, 1000, 540);
    painter.setPen(QPen(QColor(60, 60, 60), 3));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    for (int value = 0; value <= 30; value += 10) {
        const double y = plot.bottom() - plot.height() * value / 30.0;
        painter.drawText(QRectF(20, y - 25, 100, 50), Qt::AlignRight | Qt::AlignVCenter, QString::number(value));
    }
    const double slot = plot.width() / quarters.size();
    for (qsizetype i = 0; i < quarters.size(); ++i) {
        const double height = plot.height() * quarters[i].second / 30.0;
        const QRectF bar(plot.left() + slot * i + slot * 0.2, plot.bottom() - height, slot * 0.6, height);
        painter.fillRect(bar, QColor(46, 125, 110));
        painter.drawText(QRectF(bar.left(), bar.top() - 50, bar.width(), 45), Qt::AlignCenter,
                         QString::number(quarters[i].second));
        painter.drawText(QRectF(bar.left(), plot.bottom() + 10, bar.width(), 50), Qt::AlignCenter, quarters[i].first);
    }
    return image;
}

QList<SamplePage> salesChart()
{
    SamplePage page = textPage(QStringLiteral("Quarterly revenue 2023 (NT$ million)"),
                               {QStringLiteral("Sales rose in every quarter of the year, helped by the web store and "
                                               "by gift boxes for the Mid-Autumn Festival.")});
    page.picture = revenueChart();
    page.caption = QStringLiteral("Figure 1. Revenue by quarter: the fourth quarter was the strongest at NT$ 29 million.");
    return {page};
}

} // namespace

// Only real problems: the offscreen platform's notes about XDG_RUNTIME_DIR are noise here.
void quietQt(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quietQt);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: rag_demo_docs OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "can't create %s\n", argv[1]);
        return 1;
    }
    const QList<std::pair<QString, QList<SamplePage>>> documents = {
        {QStringLiteral("annual-report-2023.pdf"), annualReport()},
        {QStringLiteral("scanned-memo.pdf"), scannedMemo()},
        {QStringLiteral("sales-chart.pdf"), salesChart()},
    };
    for (const auto &[name, pages] : documents) {
        if (!SamplePdf::write(out.filePath(name), pages)) {
            std::fprintf(stderr, "can't write %s\n", qPrintable(out.filePath(name)));
            return 1;
        }
    }
    return 0;
}
