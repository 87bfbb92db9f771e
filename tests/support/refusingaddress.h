#pragma once

#include <QString>

namespace tovik::test {

// A model server address on 127.0.0.1 where nothing listens: a port that was free a
// moment ago, so connecting is refused at once.
QString refusingAddress();

} // namespace tovik::test
