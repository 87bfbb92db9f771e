#pragma once

#include <QString>

namespace tovik::test {

// Points HOME and the XDG folders at a fresh temporary folder for the rest of the
// process, so no test reads or writes the real settings or history. Call it from a
// test class's static initMain(), before the application object exists.
void isolateHome();

// The temporary home made by isolateHome().
QString isolatedHomePath();

// The folder of the test sources (fixtures, helper scripts).
QString testDataPath();

} // namespace tovik::test
