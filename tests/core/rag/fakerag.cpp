// Stands in for rag in the tests. FAKE_RAG_MODE picks what it does; the arguments are
// the ones the application passes (status / ask <question> / ingest <path>).
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

void put(int fd, const std::string &text)
{
    const char *data = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written <= 0)
            std::_Exit(120);
        data += written;
        left -= size_t(written);
    }
}
void out(const std::string &text) { put(1, text); }
void err(const std::string &text) { put(2, text); }
void pauseMs(int ms) { ::usleep(useconds_t(ms) * 1000); }

std::string env(const char *name, const char *fallback = "<unset>")
{
    const char *value = std::getenv(name);
    return value ? value : fallback;
}

long envNumber(const char *name, long fallback)
{
    const char *value = std::getenv(name);
    return value ? std::strtol(value, nullptr, 10) : fallback;
}

const char *g_marker = nullptr;

// Creates FAKE_RAG_MARKER's file, from a signal handler too: the test's sign that the
// handler ran to its end.
void leaveMarker()
{
    if (g_marker) {
        const int fd = ::creat(g_marker, 0644);
        if (fd >= 0)
            ::close(fd);
    }
}

void onTerminate(int)
{
    // Output after a cancel must change nothing in the session.
    static const char late[] = "INFO written after the termination request\nlate answer line\n";
    (void)::write(1, late, sizeof late - 1);
    leaveMarker();
    ::_exit(0);
}

void hang()
{
    g_marker = std::getenv("FAKE_RAG_MARKER");
    std::signal(SIGTERM, onTerminate);
    ::alarm(60); // never outlive a failed test for long
    out("started\n");
    for (;;)
        ::pause();
}

// On SIGTERM, reports four megabytes of clean-up before it leaves, more than any pipe
// holds: a reader that stopped reading would keep it from ever finishing.
void onTerminateLoudly(int)
{
    static char report[65536];
    for (size_t i = 0; i < sizeof report; ++i)
        report[i] = (i % 16 == 15) ? '\n' : 'c';
    for (int i = 0; i < 64; ++i) {
        if (::write(1, report, sizeof report) < 0)
            ::_exit(3);
    }
    leaveMarker();
    ::_exit(0);
}

void hangLoudly()
{
    g_marker = std::getenv("FAKE_RAG_MARKER");
    std::signal(SIGTERM, onTerminateLoudly);
    ::alarm(60);
    out("started\n");
    for (;;)
        ::pause();
}

// Floods its output until SIGTERM, then reports its clean-up at length.
void floodLoudly()
{
    g_marker = std::getenv("FAKE_RAG_MARKER");
    std::signal(SIGTERM, onTerminateLoudly);
    ::alarm(60);
    std::string block;
    for (int i = 0; i < 4096; ++i)
        block += "flood line\n";
    for (;;)
        out(block);
}

// Leaves a process behind that keeps the output open, as a tool starting a server may.
void leaveAChild()
{
    out("first\n");
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(30); // never outlive a failed test for long
        for (;;)
            ::pause();
    }
    out("pid " + std::to_string(child) + "\n");
    out("last\n");
}

// Ignores SIGTERM, as a tool stuck in native code may; only SIGKILL ends it.
void stubborn()
{
    std::signal(SIGTERM, SIG_IGN);
    ::alarm(60); // never outlive a failed test for long
    out("pid " + std::to_string(::getpid()) + "\n");
    for (;;)
        ::pause();
}

void big()
{
    const long lines = envNumber("FAKE_RAG_LINES", 200000);
    std::string buffer;
    buffer.reserve(1 << 20);
    char line[128];
    for (long i = 1; i <= lines; ++i) {
        // About 100 bytes a line; every tenth is a log line.
        const int n = std::snprintf(line, sizeof line, "%sline %08ld %s\n", i % 10 == 0 ? "INFO " : "", i,
                                    "the quick brown fox jumps over the lazy dog, then rests by the river bank and sleeps well");
        buffer.append(line, size_t(n));
        if (buffer.size() >= (1 << 20) - 256) {
            out(buffer);
            buffer.clear();
        }
    }
    out(buffer);
}

void oneLine()
{
    const long bytes = envNumber("FAKE_RAG_BYTES", 50L * 1024 * 1024);
    const std::string block(1 << 20, 'x');
    for (long left = bytes; left > 0; left -= long(block.size()))
        out(left >= long(block.size()) ? block : block.substr(0, size_t(left)));
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = env("FAKE_RAG_MODE", "echo");
    if (mode == "echo") {
        for (int i = 0; i < argc; ++i)
            out("arg " + std::to_string(i) + ": " + argv[i] + "\n");
        char cwd[4096];
        out(std::string("cwd: ") + (::getcwd(cwd, sizeof cwd) ? cwd : "?") + "\n");
        for (const char *name : {"PATH", "PYTHONPATH", "PYTHONUNBUFFERED", "DYLD_LIBRARY_PATH", "DYLD_FRAMEWORK_PATH"})
            out(std::string("env ") + name + "=" + env(name) + "\n");
    } else if (mode == "interleave") {
        err("INFO loading index\n");
        out("First answer line [來源: report.pdf p. 3]\n");
        err("WARNING slow disk\n");
        out("INFO: a colon is no log prefix\n");
        out("info in lower case is answer text\n");
        err("DEBUG retrieved 4 passages\n");
        out("Second answer line\n");
        err("CRITICAL done\n");
        err("ERROR last\n");
    } else if (mode == "exit2") {
        out("one\ntwo\nthree\n");
        return 2;
    } else if (mode == "hang") {
        hang();
    } else if (mode == "hangloudly") {
        hangLoudly();
    } else if (mode == "floodloudly") {
        floodLoudly();
    } else if (mode == "leavechild") {
        leaveAChild();
    } else if (mode == "stubborn") {
        stubborn();
    } else if (mode == "terminators") {
        out("cr one\rcr two\r\ncrlf\n\nlf\vvertical\ffeed\xc2\x85next\xe2\x80\xa8line sep\xe2\x80\xa9para sep\r\r\nlast");
    } else if (mode == "crsplit") {
        out("alpha\r");
        pauseMs(100);
        out("\nbeta\r");
        pauseMs(100);
        out("\ngamma");
    } else if (mode == "invalid") {
        out("bad \xff byte\n");
        out("caf\xc3");
        pauseMs(100);
        out("\xa9 split\n");
        out("cut \xc3");
        pauseMs(100);
        out("A kept\n");
        out("end \xe2\x82");
    } else if (mode == "big") {
        big();
    } else if (mode == "oneline") {
        oneLine();
    } else if (mode == "signal") {
        out("before the crash\n");
        err("INFO still here\n");
        ::kill(::getpid(), SIGKILL);
        pauseMs(1000);
    } else if (mode == "silent") {
        return 0;
    } else if (mode == "noeol") {
        out("INFO working\nan answer without a line end");
    } else if (mode == "paragraphs") {
        out("Paragraph one.\n\nParagraph two,\nstill two.\n\n\n");
    } else if (mode == "status") {
        out("corpus: 3 documents\n");
        err("INFO index ok\n");
    }
    return 0;
}
