#ifndef VHPD_TERMINAL_H
#define VHPD_TERMINAL_H

#include <cstdio>

// The console, where the program talks to a person rather than a script:
// POSIX terminals and the Windows console behind the same few calls.
namespace Terminal {

// True when `stream` (stdin, stdout or stderr) is a terminal or console.
bool isTerminal(std::FILE *stream);

// Columns of the terminal standard output writes to; 0 when unknown.
int width();

// Keeps the terminal from echoing what is typed while it lives, for a
// password. Ctrl-C or a kill meanwhile gives the echo back before the program
// ends. Does nothing when standard input is not a terminal.
class HiddenInput
{
public:
    HiddenInput();
    ~HiddenInput();
    HiddenInput(const HiddenInput &) = delete;
    HiddenInput &operator=(const HiddenInput &) = delete;

private:
    bool m_active = false;
};

} // namespace Terminal

#endif // VHPD_TERMINAL_H
