#ifndef VHPD_FACADETEST_H
#define VHPD_FACADETEST_H

#include "testserver.h"

#include <QObject>

// What every test program of the facade starts each test function from: a
// loopback server the library talks to, with nothing scripted or recorded,
// and the facade and transport as the library's load leaves them.
class FacadeTest : public QObject
{
    Q_OBJECT
protected slots:
    // QtTest runs this before every test function. A program that needs more
    // declares its own init() among its slots and calls this one first.
    void init();

protected:
    TestServer m_server;
};

#endif // VHPD_FACADETEST_H
