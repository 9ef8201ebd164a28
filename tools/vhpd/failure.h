#ifndef VHPD_CLI_FAILURE_H
#define VHPD_CLI_FAILURE_H

#include <VHError.h>

#include <QString>

// What a failed exchange means to the person at the terminal: the cause in
// their words with what to do next, and the exit status it calls for.
struct FailureReport
{
    QString cause;
    int status = 0;
};

FailureReport explainFailure(const VHError &error);

#endif // VHPD_CLI_FAILURE_H
