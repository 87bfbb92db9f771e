#pragma once

namespace tovik {

// Keeps Tesseract's OpenMP loops on the calling thread. libgomp comes with
// libtesseract; its fine-grained parallel loops run several times slower than one
// thread on a small machine, and whole pages (or bands) read side by side use the
// cores better. The setting belongs to the calling thread, so every thread that
// recognizes calls this once (later calls cost nothing).
void limitOpenMPToThisThread();

// The calling thread's limit on nested parallel levels (0 once limited); -1 when the
// process has no OpenMP runtime.
int openMPActiveLevels();

} // namespace tovik
