#include "documents/pageselectioncenter.h"

namespace tovik {

PageSelectionCenter &PageSelectionCenter::shared()
{
    static PageSelectionCenter center;
    return center;
}

} // namespace tovik
