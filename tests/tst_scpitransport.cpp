// The SCPI transport against a scripted instrument on 127.0.0.1: binary blocks however their
// bytes arrive, and every way a reply can go wrong giving a Failure that names the
// instrument, the command and what came back, within the timeout.

#include "fakeinstruments.h"
#include "scpitransport.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

// Data with a line end and a '#' inside, which a reader must take as data.
const QByteArray kPayload("ab\n#9\x00\xff\r\nz", 11);
constexpr std::chrono::milliseconds kShortTimeout {300};

} // namespace

class tst_ScpiTransport : public QObject
{
    Q_OBJECT

private slots:
    void blocks_data();
    void blocks();
    void failures_data();
    void failures();
    void resetMidBlock();
    void lateReplyLeftBehind();
    void refusedConnection();
};

void tst_ScpiTransport::blocks_data()
{
    QTest::addColumn<QByteArrayList>("pieces"); // the reply to DATA?, written apart
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<int>("trailer");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QByteArrayList>("next"); // the reply to NEXT?, which must read "next"

    const QByteArray nine = "#9000000011" + kPayload + "\n";
    for (int cut = 1; cut < nine.size(); ++cut) {
        QTest::addRow("split after byte %d", cut)
            << QByteArrayList {nine.left(cut), nine.mid(cut)} << QByteArray() << 1 << kPayload
            << QByteArrayList {"next\n"};
    }
    QByteArrayList bytes;
    for (const char c : nine) {
        bytes << QByteArray(1, c);
    }
    QTest::newRow("every byte apart")
        << bytes << QByteArray() << 1 << kPayload << QByteArrayList {"next\n"};
    QTest::newRow("two length digits") << QByteArrayList {"#211" + kPayload + "\n"} << QByteArray()
                                       << 1 << kPayload << QByteArrayList {"next\n"};
    QTest::newRow("empty block") << QByteArrayList {"#10\n"} << QByteArray() << 1 << QByteArray()
                                 << QByteArrayList {"next\n"};
    QTest::newRow("trailer with the next reply")
        << QByteArrayList {"#9000000011" + kPayload} << QByteArray() << 1 << kPayload
        << QByteArrayList {"\nnext\n"};
    QTest::newRow("no trailer at all") << QByteArrayList {"#9000000011" + kPayload} << QByteArray()
                                       << 1 << kPayload << QByteArrayList {"next\n"};
    QTest::newRow("CR LF trailer") << QByteArrayList {"#9000000011" + kPayload + "\r\n"}
                                   << QByteArray() << 1 << kPayload << QByteArrayList {"next\n"};
    QTest::newRow("Siglent prefix and two line ends")
        << QByteArrayList {"C1:WF DAT2,#9000000011" + kPayload + "\n\n"}
        << QByteArray("C1:WF DAT2,") << 2 << kPayload << QByteArrayList {"next\n"};
    QTest::newRow("Siglent prefix split inside, second line end late")
        << QByteArrayList {"C1:WF", " DAT2,#90000", "00011" + kPayload + "\n", "\n"}
        << QByteArray("C1:WF DAT2,") << 2 << kPayload << QByteArrayList {"next\n"};
    QTest::newRow("prefix expected but absent")
        << QByteArrayList {"#9000000011" + kPayload + "\n\n"} << QByteArray("C1:WF DAT2,") << 2
        << kPayload << QByteArrayList {"next\n"};
}

void tst_ScpiTransport::blocks()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(QByteArray, prefix);
    QFETCH(int, trailer);
    QFETCH(QByteArray, expected);
    QFETCH(QByteArrayList, next);

    ScriptedInstrument instrument;
    instrument.setReply("DATA?", std::vector<QByteArray>(pieces.begin(), pieces.end()));
    instrument.setReply("NEXT?", std::vector<QByteArray>(next.begin(), next.end()));
    FakeServer server(&instrument);
    QVERIFY(server.begin());
    auto transport = ScpiTransport::connectTcp(
        QStringLiteral("scope"), QStringLiteral("127.0.0.1"), server.port(), kShortTimeout);
    QVERIFY2(transport, qPrintable(transport.error()));

    const Result<QByteArray> block = (*transport)->queryBlock("DATA?", 1000, {prefix, trailer});
    QVERIFY2(block, qPrintable(block.error()));
    QCOMPARE(*block, expected);
    const Result<QByteArray> after = (*transport)->query("NEXT?");
    QVERIFY2(after, qPrintable(after.error()));
    QCOMPARE(*after, QByteArray("next"));
}

void tst_ScpiTransport::failures_data()
{
    QTest::addColumn<QByteArrayList>("pieces"); // the reply to DATA?
    QTest::addColumn<bool>("block"); // DATA? asked for a block, else for a line
    QTest::addColumn<QStringList>("message"); // what the message must say

    QTest::newRow("silence") << QByteArrayList() << true
                             << QStringList {"no reply to 'DATA?' within 0.3 s"};
    QTest::newRow("stall in the middle of the block")
        << QByteArrayList {"#9000000100" + kPayload} << true
        << QStringList {"'DATA?' answered '#9000000100ab\\x0a#9\\x00\\xff",
               "then nothing for 0.3 s", "(11 of the block's 100 bytes)"};
    QTest::newRow("stall inside the header") << QByteArrayList {
        "#9000"} << true << QStringList {"'DATA?' answered '#9000' and then nothing for 0.3 s"};
    QTest::newRow("lying header") << QByteArrayList {"#9999999999" + kPayload} << true
                                  << QStringList {"'DATA?' announced a block of 999999999 bytes",
                                         "more than the 1000 bytes"};
    QTest::newRow("indefinite block") << QByteArrayList {"#0" + kPayload + "\n"} << true
                                      << QStringList {"a block of undeclared length", "'#0ab"};
    QTest::newRow("reply to another query")
        << QByteArrayList {"RIGOL TECHNOLOGIES,DS1104Z,DS1T00000006,00.02.00\n"} << true
        << QStringList {"'DATA?' answered 'RIGOL TECHNOLOGIES,DS1104Z,DS1T00000006,…'",
               "not a block of data"};
    QTest::newRow("no length digits")
        << QByteArrayList {"#X123\n"} << true << QStringList {"'#' is not followed by the number"};
    QTest::newRow("letters in the length") << QByteArrayList {"#300x123\n"} << true
                                           << QStringList {"the block's length is not 3 digits"};
    QTest::newRow("a line that never ends")
        << QByteArrayList {QByteArray(70000, 'x')} << false
        << QStringList {"more than 65536 bytes without a line end"};
}

void tst_ScpiTransport::failures()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(bool, block);
    QFETCH(QStringList, message);

    ScriptedInstrument instrument;
    instrument.setReply("DATA?", std::vector<QByteArray>(pieces.begin(), pieces.end()));
    FakeServer server(&instrument);
    QVERIFY(server.begin());
    auto transport = ScpiTransport::connectTcp(
        QStringLiteral("scope"), QStringLiteral("127.0.0.1"), server.port(), kShortTimeout);
    QVERIFY2(transport, qPrintable(transport.error()));

    QElapsedTimer clock;
    clock.start();
    const Result<QByteArray> reply
        = block ? (*transport)->queryBlock("DATA?", 1000) : (*transport)->query("DATA?");
    QVERIFY(!reply);
    QVERIFY2(clock.elapsed() < 2 * kShortTimeout.count(), qPrintable(reply.error()));
    QVERIFY2(reply.error().startsWith(QStringLiteral("scope 127.0.0.1:%1: ").arg(server.port())),
        qPrintable(reply.error()));
    for (const QString &part : message) {
        QVERIFY2(reply.error().contains(part), qPrintable(reply.error()));
    }
    // Nothing of the refused reply is held for the next one.
    QVERIFY((*transport)->counters().largestReply <= 1000);
}

void tst_ScpiTransport::resetMidBlock()
{
    ScriptedInstrument instrument;
    instrument.setReply("DATA?", {"#9000000011" + kPayload + "\n"});
    instrument.setReply("NEXT?", {"next\n"});
    FakeServer server(&instrument);
    QVERIFY(server.begin());
    server.addFault({FaultKind::Reset, "DATA?"});
    auto transport = ScpiTransport::connectTcp(
        QStringLiteral("scope"), QStringLiteral("127.0.0.1"), server.port(), kShortTimeout);
    QVERIFY2(transport, qPrintable(transport.error()));
    const Result<QByteArray> block = (*transport)->queryBlock("DATA?", 1000);
    QVERIFY(!block);
    QVERIFY2(block.error().contains("the connection closed after 'DATA?' answered '#9000000011"),
        qPrintable(block.error()));
    // The next command connects afresh.
    const Result<QByteArray> next = (*transport)->query("NEXT?");
    QVERIFY2(next, qPrintable(next.error()));
    QCOMPARE(*next, QByteArray("next"));
    QCOMPARE(server.connectionsAccepted(), 2);
}

void tst_ScpiTransport::lateReplyLeftBehind()
{
    ScriptedInstrument instrument;
    instrument.setReply("SLOW?", {"slow\n"});
    instrument.setReply("NEXT?", {"next\n"});
    FakeServer server(&instrument);
    QVERIFY(server.begin());
    server.addFault({FaultKind::Late, "SLOW?", 1, int(2 * kShortTimeout.count())});
    auto transport = ScpiTransport::connectTcp(
        QStringLiteral("generator"), QStringLiteral("127.0.0.1"), server.port(), kShortTimeout);
    QVERIFY2(transport, qPrintable(transport.error()));
    const Result<QByteArray> slow = (*transport)->query("SLOW?");
    QVERIFY(!slow);
    QVERIFY2(slow.error().endsWith("no reply to 'SLOW?' within 0.3 s"), qPrintable(slow.error()));
    QTest::qWait(int(2 * kShortTimeout.count()));
    // The late "slow" went to the old connection: the next query reads its own reply.
    const Result<QByteArray> next = (*transport)->query("NEXT?");
    QVERIFY2(next, qPrintable(next.error()));
    QCOMPARE(*next, QByteArray("next"));
}

void tst_ScpiTransport::refusedConnection()
{
    const quint16 port = refusingPort();
    QVERIFY(port != 0);
    QElapsedTimer clock;
    clock.start();
    const auto transport = ScpiTransport::connectTcp(
        QStringLiteral("scope"), QStringLiteral("127.0.0.1"), port, kShortTimeout);
    QVERIFY(!transport);
    QVERIFY(clock.elapsed() < 2 * kShortTimeout.count());
    QVERIFY2(transport.error().startsWith(
                 QStringLiteral("scope 127.0.0.1:%1: could not connect: ").arg(port)),
        qPrintable(transport.error()));
}

QTEST_GUILESS_MAIN(tst_ScpiTransport)
#include "tst_scpitransport.moc"
