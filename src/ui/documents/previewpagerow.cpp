#include "documents/previewpagerow.h"

#include "documents/keyglyphs.h"
#include "documents/selectablepdfpageview.h"
#include "i18n/translate.h"
#include "language/retranslate.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
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

namespace {

// The first words of a claim, for its line under the page label.
QString firstWords(const QString &claim)
{
    constexpr qsizetype shown = 60;
    QString simple = claim.simplified();
    // A list item's bullet is not one of the words.
    qsizetype skip = 0;
    while (skip < simple.size() && (simple[skip].isSpace() || simple[skip].isPunct() || simple[skip].isSymbol()))
        ++skip;
    simple.remove(0, skip);
    if (simple.size() <= shown)
        return simple;
    qsizetype cut = simple.lastIndexOf(QLatin1Char(' '), shown);
    if (cut < shown / 2)
        cut = shown; // no space near the end (Chinese, a long word): cut at the length
    return simple.left(cut) + QStringLiteral("…");
}

} // namespace

void PreviewPageRow::setClaims(const QList<SelectablePDFPage::Claim> &claims, int activeClaim)
{
    if (claims == m_claims && activeClaim == m_activeClaim)
        return;
    m_claims = claims;
    m_activeClaim = activeClaim;
    if (!m_claimList) {
        if (claims.isEmpty())
            return;
        // Made on first use: most rows of a long list are never cited by a claim the
        // reader picks, and every widget counts when thousands of rows are made.
        m_claimList = new QWidget(this);
        m_moreClaims = new QLabel(m_claimList);
        m_moreClaims->setForegroundRole(QPalette::PlaceholderText);
        auto *claimColumn = new QVBoxLayout(m_claimList);
        claimColumn->setContentsMargins(0, 0, 0, 0);
        claimColumn->setSpacing(0);
        claimColumn->addWidget(m_moreClaims);
        m_column->insertWidget(m_column->indexOf(m_label) + 1, m_claimList);
    }
    const qsizetype shown = std::min<qsizetype>(claims.size(), maxShownClaims);
    auto *column = static_cast<QVBoxLayout *>(m_claimList->layout());
    while (m_claimButtons.size() > shown)
        delete m_claimButtons.takeLast();
    while (m_claimButtons.size() < shown) {
        auto *button = new QPushButton(m_claimList);
        button->setFlat(true);
        button->setCursor(Qt::PointingHandCursor);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        button->setStyleSheet(QStringLiteral("QPushButton { text-align: left; padding: 1px 4px; border: none; }"));
        const qsizetype slot = m_claimButtons.size();
        connect(button, &QPushButton::clicked, this, [this, slot] {
            if (slot < m_claims.size())
                Q_EMIT claimClicked(m_claims[slot].index);
        });
        column->insertWidget(int(slot), button);
        m_claimButtons.append(button);
    }
    for (qsizetype slot = 0; slot < shown; ++slot) {
        QPushButton *button = m_claimButtons[slot];
        button->setText(firstWords(claims[slot].text));
        QFont font = button->font();
        font.setBold(claims[slot].index == activeClaim);
        button->setFont(font);
    }
    m_moreClaims->setVisible(claims.size() > shown);
    m_moreClaims->setText(QStringLiteral("+") + QString::number(claims.size() - shown));
    m_claimList->setVisible(!claims.isEmpty());
    refreshClaimTexts();
}

void PreviewPageRow::refreshClaimTexts()
{
    if (!m_claimList)
        return;
    m_claimList->setAccessibleName(translate(QStringLiteral("Claims citing this page")));
    for (qsizetype slot = 0; slot < m_claimButtons.size() && slot < m_claims.size(); ++slot) {
        const QString tip = translated(QStringLiteral("Show where the page supports: {claim}"),
                                       {{QStringLiteral("claim"), m_claims[slot].text.simplified().left(300)}});
        m_claimButtons[slot]->setToolTip(tip);
        m_claimButtons[slot]->setAccessibleName(tip);
    }
}

QString PreviewPageRow::labelText() const
{
    return m_label->text();
}

void PreviewPageRow::refreshTexts()
{
    m_label->setText(translate(QStringLiteral("p.")) + QLatin1Char(' ') + QString::number(m_page.page));
    refreshClaimTexts();
    if (m_view)
        m_view->setToolTip(withPlatformKeyNames(
            translate(QStringLiteral("Drag to select text, then press ⌘C to copy. Scanned pages are recognized first."))));
}

} // namespace tovik
