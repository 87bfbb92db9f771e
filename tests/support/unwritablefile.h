#pragma once

#include <QString>

namespace tovik::test {

// Makes the file at `path` unwritable for this process: read-only permissions and,
// when the test runs as root (whom permissions do not stop), the immutable flag.
// False when that could not be done; the caller then skips.
bool makeUnwritable(const QString &path);

// Undoes makeUnwritable, so the temporary folder can be removed.
void makeWritable(const QString &path);

} // namespace tovik::test
