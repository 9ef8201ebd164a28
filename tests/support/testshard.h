#ifndef VHPD_TESTSHARD_H
#define VHPD_TESTSHARD_H

#include <QByteArray>
#include <QCoreApplication>
#include <QMetaMethod>
#include <QObject>
#include <QStringList>
#include <QtTest>

// Runs the test functions of `test` that fall in the shard named by the
// environment variable VHPD_TEST_SHARD, "i/n": every n-th function from the
// i-th on, so that a long test program runs as n CTest tests side by side.
// Options on the command line still apply. Without the variable it runs as
// QTest::qExec would.
inline int execShard(QObject *test, int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const QList<QByteArray> shard = qgetenv("VHPD_TEST_SHARD").split('/');
    const int index = shard.size() == 2 ? shard.first().toInt() : 0;
    const int count = shard.size() == 2 ? shard.last().toInt() : 0;
    if (index < 1 || index > count)
        return QTest::qExec(test, arguments);
    const QMetaObject *meta = test->metaObject();
    int position = 0;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        const QByteArray name = method.name();
        if (method.methodType() != QMetaMethod::Slot || method.access() != QMetaMethod::Private ||
            method.parameterCount() != 0 || name.endsWith("_data") || name == "init" ||
            name == "cleanup" || name == "initTestCase" || name == "cleanupTestCase")
            continue;
        if (position++ % count == index - 1)
            arguments.append(QString::fromLatin1(name));
    }
    return QTest::qExec(test, arguments);
}

// QTEST_GUILESS_MAIN for a program that CTest runs in shards.
#define VHPD_SHARDED_TEST_MAIN(TestObject)                                                         \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QCoreApplication app(argc, argv);                                                          \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return execShard(&test, argc, argv);                                                       \
    }

#endif // VHPD_TESTSHARD_H
