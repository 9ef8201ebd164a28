#include "terminal.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace Terminal {

#ifdef _WIN32

namespace {

// The console's input mode while a secret is read, for the control handler
// that puts it back.
DWORD g_savedMode = 0;

// Ctrl-C, Ctrl-Break or the console closing at the prompt: the echo comes
// back, then the default handler ends the program.
BOOL WINAPI restoreEcho(DWORD)
{
    SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), g_savedMode);
    return FALSE;
}

} // namespace

bool isTerminal(std::FILE *stream)
{
    return _isatty(_fileno(stream)) != 0;
}

int width()
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info))
        return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

HiddenInput::HiddenInput()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (!isTerminal(stdin) || !GetConsoleMode(input, &g_savedMode))
        return;
    SetConsoleCtrlHandler(restoreEcho, TRUE);
    SetConsoleMode(input, g_savedMode & ~DWORD(ENABLE_ECHO_INPUT));
    m_active = true;
}

HiddenInput::~HiddenInput()
{
    if (!m_active)
        return;
    SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), g_savedMode);
    SetConsoleCtrlHandler(restoreEcho, FALSE);
}

#else

namespace {

// The terminal's settings while a secret is read without echo, for the
// signal handler that puts them back.
termios g_savedTerminal{};

using Handler = void (*)(int);
Handler g_previousInterrupt = SIG_DFL;
Handler g_previousTerminate = SIG_DFL;
Handler g_previousHangUp = SIG_DFL;

// Ctrl-C or a kill at the prompt: the terminal gets its echo back before the
// program ends as the signal says.
extern "C" void restoreTerminalAndDie(int signal)
{
    tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

bool isTerminal(std::FILE *stream)
{
    return isatty(fileno(stream)) == 1;
}

int width()
{
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0)
        return size.ws_col;
    return 0;
}

HiddenInput::HiddenInput()
{
    if (!isTerminal(stdin) || tcgetattr(STDIN_FILENO, &g_savedTerminal) != 0)
        return;
    g_previousInterrupt = std::signal(SIGINT, restoreTerminalAndDie);
    g_previousTerminate = std::signal(SIGTERM, restoreTerminalAndDie);
    g_previousHangUp = std::signal(SIGHUP, restoreTerminalAndDie);
    termios silent = g_savedTerminal;
    silent.c_lflag &= ~tcflag_t(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &silent);
    m_active = true;
}

HiddenInput::~HiddenInput()
{
    if (!m_active)
        return;
    tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    std::signal(SIGINT, g_previousInterrupt);
    std::signal(SIGTERM, g_previousTerminate);
    std::signal(SIGHUP, g_previousHangUp);
}

#endif

} // namespace Terminal
