#pragma once

#include "preview/renderedpage.h"
#include "preview/selectablepdfpage.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace tovik {

class PreviewOCRCache;
class SelectablePDFPageView;

// One cited page in the sidebar list: "p. N" over the page. A page with a PDF page
// gets its selectable page view only when the list materializes the row (it comes
// near the screen); until then a white box of the page's shape holds its place, so
// the list keeps its height. A page with only an image shows the image, one with a
// problem the problem.
class PreviewPageRow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewPageRow)

public:
    explicit PreviewPageRow(PreviewOCRCache *cache, QWidget *parent = nullptr);

    void setPage(const QString &filename, const RenderedPage &page);
    const RenderedPage &page() const { return m_page; }
    const QString &filename() const { return m_filename; }

    // Creates the page view if the page has a PDF page, and hands it the row's values.
    void materialize(const SelectablePDFPage &input);
    bool isMaterialized() const { return m_view != nullptr; }
    // Passes new values to the page view, if there is one.
    void apply(const SelectablePDFPage &input);
    SelectablePDFPageView *view() const { return m_view; }
    // Where the page itself lies, in this row's coordinates.
    QRect pageGeometry() const;
    QString labelText() const;

    // The claims citing the page, one line each under the page label; the active one
    // is shown bold. Clicking one emits claimClicked with its index.
    void setClaims(const QList<SelectablePDFPage::Claim> &claims, int activeClaim);
    const QList<SelectablePDFPage::Claim> &claims() const { return m_claims; }
    // The buttons of the claims shown (at most maxShownClaims).
    QList<QPushButton *> claimButtons() const { return m_claimButtons; }
    static constexpr int maxShownClaims = 8;

Q_SIGNALS:
    void claimClicked(int index);

private:
    void refreshTexts();
    void refreshClaimTexts();

    PreviewOCRCache *m_cache;
    QString m_filename;
    RenderedPage m_page;
    QVBoxLayout *m_column;
    QLabel *m_label;
    QWidget *m_placeholder; // the image-only page, or the page view's stand-in
    QLabel *m_problem;
    SelectablePDFPageView *m_view = nullptr;
    QWidget *m_claimList = nullptr; // with the claim lines; made when the first claim comes
    QList<QPushButton *> m_claimButtons;
    QLabel *m_moreClaims = nullptr;
    QList<SelectablePDFPage::Claim> m_claims;
    int m_activeClaim = -1;
};

} // namespace tovik
