#include "pictures/pagepicturemenu.h"

#include "documents/selectablepdfpageview.h"
#include "i18n/translate.h"
#include "pictures/pagepicturecache.h"
#include "pictures/pagepicturewindow.h"
#include "pictures/picturewindowtitle.h"

#include <QMenu>

namespace tovik {

PagePictureCache &pagePictureMenuCache()
{
    static PagePictureCache cache;
    return cache;
}

void installPagePictureMenu()
{
    SelectablePDFPageView::setMenuExtension([](SelectablePDFPageView &view, QMenu &menu) {
        const QString path = view.sourcePath();
        if (path.isEmpty() || !view.pdfPage())
            return;
        const int pageIndex = view.pdfPage()->index();
        const QList<PagePicture> pictures = pagePictureMenuCache().pictures(path, pageIndex);
        if (pictures.isEmpty())
            return;
        const QString caption = view.caption();
        auto open = [path, pageIndex, pictures, caption](qsizetype index) {
            PagePictureWindow::open(path, pageIndex, pictures.at(index),
                                    pictureWindowTitle(caption, index, pictures.size()));
        };
        menu.addSeparator();
        if (pictures.size() == 1) {
            menu.addAction(translate(QStringLiteral("Open Image")), &menu, [open] { open(0); });
            return;
        }
        QMenu *submenu = menu.addMenu(translate(QStringLiteral("Open Image")));
        for (qsizetype index = 0; index < pictures.size(); ++index) {
            submenu->addAction(translated(QStringLiteral("Image {number}"),
                                          {{QStringLiteral("number"), QString::number(index + 1)}}),
                               &menu, [open, index] { open(index); });
        }
    });
}

} // namespace tovik
