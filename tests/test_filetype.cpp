// The .qgr file type as a desktop finds it: run with XDG_DATA_DIRS pointing
// at a staged install, so QMimeDatabase reads the installed shared-mime-info
// package; the files are the ones the program really writes.
#include "StampFile.h"

#include <QFile>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QTest>

using namespace qg;
using namespace qg::io;

namespace {

const QString kDesignType = QStringLiteral("application/x-quillgraver-design");

QByteArray withBareLf(QByteArray bytes) {
    return bytes.replace("\r\n", "\n");
}

}  // namespace

class TestFileType : public QObject {
    Q_OBJECT

private slots:
    void recognised_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("isDesign");

        const QByteArray round = writeRoundSeal(defaultRoundSeal());
        const QByteArray triangle = writeTriangleSeal(defaultTriangleSeal());
        const QByteArray rect = writeRectStamp(defaultRectStamp());
        const QByteArray text = "Some notes\r\nabout a seal\r\n";

        QTest::newRow("by name") << "seal.qgr" << round << true;
        QTest::newRow("by name, upper case") << "NOTES.QGR" << text << true;
        QTest::newRow("round seal by content") << "seal" << round << true;
        QTest::newRow("triangular seal by content") << "seal" << triangle << true;
        QTest::newRow("rectangular stamp by content") << "seal" << rect << true;
        QTest::newRow("bare LF line ends by content") << "seal" << withBareLf(triangle) << true;
        QTest::newRow("marker in lower case")
            << "seal" << QByteArray(round).replace(";Page1", ";page1") << false;
        QTest::newRow("header without a marker")
            << "seal" << round.left(round.indexOf(";Page1")) + "Field Color: 0\r\n"
            << false;
        QTest::newRow("plain text") << "notes.txt" << text << false;
    }

    void recognised() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, isDesign);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();

        const QMimeType type = QMimeDatabase().mimeTypeForFile(file.fileName());
        QCOMPARE(type.name() == kDesignType, isDesign);
        if (isDesign)
            QVERIFY(type.inherits(QStringLiteral("text/plain")));
    }
};

QTEST_GUILESS_MAIN(TestFileType)
#include "test_filetype.moc"
