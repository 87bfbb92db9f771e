#include "hugepageheap.h"
#include "tovikapplication.h"

#include "system/largeallocations.h"

int main(int argc, char *argv[])
{
    tovik::HugePageHeap::restartIfWorthIt(argv);
    tovik::LargeAllocations::mapEachOnItsOwn();
    tovik::TovikApplication::answerWithoutWindow(argc, argv);
    if (tovik::TovikApplication::handOverToRunningInstance(argc, argv))
        return 0;
    tovik::TovikApplication app(argc, argv);
    return app.run();
}
