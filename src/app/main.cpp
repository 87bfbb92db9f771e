#include "tovikapplication.h"

int main(int argc, char *argv[])
{
    tovik::TovikApplication::answerWithoutWindow(argc, argv);
    tovik::TovikApplication app(argc, argv);
    return app.run();
}
