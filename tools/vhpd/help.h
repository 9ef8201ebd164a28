#ifndef VHPD_CLI_HELP_H
#define VHPD_CLI_HELP_H

#include <QString>

struct Command;

// The program's documentation, all made from the command table: the general
// help, each command's help, the JSON shapes, the manual page and the shell
// completion scripts. Lines fit 80 columns.

QString generalHelp();
QString commandHelp(const Command &command);
// What --json prints: the common shapes and every record's members.
QString jsonHelp();
// The manual page, in roff.
QString manualPage();
// A completion script for "bash" or "zsh"; empty for another shell.
QString completionScript(const QString &shell);

#endif // VHPD_CLI_HELP_H
