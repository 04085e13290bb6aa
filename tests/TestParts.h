#pragma once

// Running a long test case in parts, each part a ctest entry of its own so
// that every entry stays short on a busy machine: with QG_TEST_PART set to
// "k/n" (and no test functions named on the command line) the part runs
// every n-th test function, starting from the k-th (1-based). Every
// function runs in exactly one part, whatever functions are added later.

#include <QApplication>
#include <QByteArray>
#include <QMetaMethod>
#include <QStringList>
#include <QTest>

#include <algorithm>

namespace qg::testing {

inline int runPart(QObject& test, int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const QByteArray part = qgetenv("QG_TEST_PART");
    const QList<QByteArray> numbers = part.split('/');
    bool okK = false;
    bool okN = false;
    const int k = numbers.value(0).toInt(&okK);
    const int n = numbers.value(1).toInt(&okN);
    const bool namesGiven =
        std::any_of(args.begin() + 1, args.end(), [](const QString& a) { return !a.startsWith(u'-'); });
    if (part.isEmpty() || namesGiven)
        return QTest::qExec(&test, args);
    if (numbers.size() != 2 || !okK || !okN || n < 1 || k < 1 || k > n)
        qFatal("QG_TEST_PART must be k/n with 1 <= k <= n, not %s", part.constData());
    static const QStringList kFixtures = {QStringLiteral("initTestCase"), QStringLiteral("cleanupTestCase"),
                                          QStringLiteral("init"), QStringLiteral("cleanup")};
    const QMetaObject* meta = test.metaObject();
    int index = 0;
    for (int m = meta->methodOffset(); m < meta->methodCount(); ++m) {
        const QMetaMethod method = meta->method(m);
        const QString name = QString::fromLatin1(method.name());
        if (method.methodType() != QMetaMethod::Slot || method.access() != QMetaMethod::Private ||
            method.parameterCount() != 0 || kFixtures.contains(name) || name.endsWith(QLatin1String("_data")))
            continue;
        if (index++ % n == k - 1)
            args << name;
    }
    return QTest::qExec(&test, args);
}

}  // namespace qg::testing

// QTEST_MAIN for a widgets test case that may run in parts.
#define QG_TEST_MAIN_IN_PARTS(TestObject)            \
    int main(int argc, char** argv) {                \
        QApplication app(argc, argv);                \
        app.setAttribute(Qt::AA_Use96Dpi, true);     \
        TestObject tc;                               \
        QTEST_SET_MAIN_SOURCE_PATH                   \
        return qg::testing::runPart(tc, argc, argv); \
    }
