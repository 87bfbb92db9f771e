#include "hugepageheap.h"
#include "tovikapplication.h"

int main(int argc, char *argv[])
{
    tovik::HugePageHeap::restartIfWorthIt(argv);
    tovik::TovikApplication::answerWithoutWindow(argc, argv);
    if (tovik::TovikApplication::handOverToRunningInstance(argc, argv))
        return 0;
    tovik::TovikApplication app(argc, argv);
    return app.run();
}
