#include "documents/previewpagerow.h"

#include "documents/keyglyphs.h"
#include "documents/selectablepdfpageview.h"
#include "i18n/translate.h"
#include "language/retranslate.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace tovik {

namespace {

// A page image drawn over white at the image's aspect ratio; without an image, the
// white box alone.
class PageImageBox final : public QWidget
{
public:
    explicit PageImageBox(QWidget *parent)
        : QWidget(parent)
    {
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void setImage(const QImage &image, QSize shape, bool drawn)
    {
        m_image = image;
        m_shape = shape;
        m_drawn = drawn;
        updateGeometry();
        update();
    }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override
    {
        if (m_shape.width() <= 1 && m_shape.height() <= 1)
            return 0;
        return m_shape.width() > 0 ? qRound(double(width) * m_shape.height() / m_shape.width()) : 0;
    }
    QSize sizeHint() const override { return {200, heightForWidth(200)}; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        if (m_drawn && !m_image.isNull()) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QRectF(rect()), m_image);
        }
    }

private:
    QImage m_image;
    QSize m_shape;
    bool m_drawn = false;
};

} // namespace

PreviewPageRow::PreviewPageRow(PreviewOCRCache *cache, QWidget *parent)
    : QWidget(parent)
    , m_cache(cache)
    , m_column(new QVBoxLayout(this))
    , m_label(new QLabel(this))
    , m_placeholder(new PageImageBox(this))
    , m_problem(new QLabel(this))
{
    QFont labelFont = m_label->font();
    labelFont.setPointSizeF(labelFont.pointSizeF() * 0.92);
    labelFont.setWeight(QFont::DemiBold);
    m_label->setFont(labelFont);
    m_problem->setWordWrap(true);
    m_problem->setForegroundRole(QPalette::PlaceholderText);
    m_problem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(6);
    m_column->addWidget(m_label);
    m_column->addWidget(m_placeholder);
    m_column->addWidget(m_problem);
    followLanguage(this, [this] { refreshTexts(); });
}

void PreviewPageRow::setPage(const QString &filename, const RenderedPage &page)
{
    m_filename = filename;
    m_page = page;
    auto *box = static_cast<PageImageBox *>(m_placeholder);
    const bool hasPage = page.pdfPage && page.hasImage();
    box->setImage(page.image, page.image.size(), !page.pdfPage);
    box->setVisible(page.hasImage() && !(hasPage && m_view));
    m_problem->setVisible(!page.hasImage() && page.problem.has_value());
    m_problem->setText(page.problem.value_or(QString()));
    if (m_view && !hasPage) {
        delete m_view;
        m_view = nullptr;
    }
    refreshTexts();
}

void PreviewPageRow::materialize(const SelectablePDFPage &input)
{
    if (!m_page.pdfPage || !m_page.hasImage())
        return;
    if (!m_view) {
        m_view = new SelectablePDFPageView(this, m_cache);
        m_column->insertWidget(m_column->indexOf(m_placeholder), m_view);
        m_placeholder->hide();
        refreshTexts();
    }
    m_view->apply(input);
    m_view->show();
}

void PreviewPageRow::apply(const SelectablePDFPage &input)
{
    if (m_view)
        m_view->apply(input);
}

QRect PreviewPageRow::pageGeometry() const
{
    if (m_view)
        return m_view->geometry();
    return m_placeholder->isVisibleTo(this) ? m_placeholder->geometry() : QRect();
}

QString PreviewPageRow::labelText() const
{
    return m_label->text();
}

void PreviewPageRow::refreshTexts()
{
    m_label->setText(translate(QStringLiteral("p.")) + QLatin1Char(' ') + QString::number(m_page.page));
    if (m_view)
        m_view->setToolTip(withPlatformKeyNames(
            translate(QStringLiteral("Drag to select text, then press ⌘C to copy. Scanned pages are recognized first."))));
}

} // namespace tovik
