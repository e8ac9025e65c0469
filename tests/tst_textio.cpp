// Files and text as the companions share them: what may reach a terminal, numbers as people
// type them, reading a file with a limit, and writing an output without destroying a file.

#include "commandline.h"
#include "decimaltext.h"
#include "filecontent.h"
#include "outputfile.h"
#include "printabletext.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

class tst_TextIo : public QObject
{
    Q_OBJECT

private slots:
    void printable_data();
    void printable();
    void numbers_data();
    void numbers();
    void boundedReading();
    void outputs();
};

void tst_TextIo::printable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << "Time (s)"
                           << "Time (s)";
    QTest::newRow("an escape sequence") << "\x1b]0;owned\x07"
                                        << "\\x1b]0;owned\\x07";
    QTest::newRow("a line end and NUL") << QString::fromLatin1("a\nb\0c", 5) << "a\\x0ab\\x00c";
    QTest::newRow("DEL and C1") << QStringLiteral("a\u007f\u009bb") << "a\\x7f\\x9bb";
    QTest::newRow("letters beyond ASCII stay") << QStringLiteral("µs Ω") << QStringLiteral("µs Ω");
}

void tst_TextIo::printable()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(printableText(text), shown);
}

void tst_TextIo::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<double>("value"); // what decimalNumber gives, number or not
    QTest::newRow("point") << "27.8" << true << 27.8;
    QTest::newRow("decimal comma") << "27,8" << true << 27.8;
    QTest::newRow("comma and exponent") << "-1,5e3" << true << -1500.0;
    QTest::newRow("two commas") << "2,0,0" << false << 0.0;
    QTest::newRow("comma and point") << "1,000.5" << false << 0.0;
    QTest::newRow("letters") << "abc" << false << 0.0;
    QTest::newRow("beyond a double, as the toolkit gives it") << "1e999" << false << qInf();
}

// The decimal-comma rule, and an option's number in its range built on it.
void tst_TextIo::numbers()
{
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(double, value);
    bool ok = !isNumber;
    QCOMPARE(decimalNumber(text, &ok), value);
    QCOMPARE(ok, isNumber);
    double inRange = 0;
    QCOMPARE(numberIn(text, -1e4, 1e4, &inRange), isNumber);
}

// A device or a pipe has no size: the reading itself stops at the limit, not after it.
void tst_TextIo::boundedReading()
{
    const Result<QByteArray> zero = readFileContent(QStringLiteral("/dev/zero"), 1 << 20);
    QVERIFY(!zero);
    QCOMPARE(zero.error(), QStringLiteral("/dev/zero: larger than 1 MiB"));
    QTemporaryDir folder;
    const QString small = folder.filePath(QStringLiteral("small.csv"));
    QFile file(small);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("0,1,2\n") == 6);
    file.close();
    QCOMPARE(*readFileContent(small, 6), QByteArray("0,1,2\n"));
    QCOMPARE(readFileContent(small, 5, QStringLiteral("not a sweep")).error(),
        small + QStringLiteral(": larger than 1 MiB; not a sweep"));
}

// An output that is an input is refused, a regular file replaced whole.
void tst_TextIo::outputs()
{
    QTemporaryDir folder;
    const QString input = folder.filePath(QStringLiteral("capture.csv"));
    QFile file(input);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("data") == 4);
    file.close();
    QVERIFY(QFile::link(input, folder.filePath(QStringLiteral("link.csv"))));
    for (const QString &name : {input, folder.filePath(QStringLiteral("link.csv")),
             folder.filePath(QStringLiteral("./capture.csv"))}) {
        const Status written = writeOutputFile(name, "out", QStringLiteral("--s1p"), {input});
        QVERIFY2(!written, qPrintable(name));
        QVERIFY(written.error().contains(QLatin1String("is one of the inputs")));
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("data"));
    file.close();
    const QString output = folder.filePath(QStringLiteral("sweep.s1p"));
    QVERIFY(writeOutputFile(output, "first", QStringLiteral("--s1p"), {input}).ok());
    QVERIFY(writeOutputFile(output, "second", QStringLiteral("--s1p"), {input}).ok());
    QFile written(output);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("second"));
}

QTEST_GUILESS_MAIN(tst_TextIo)
#include "tst_textio.moc"
