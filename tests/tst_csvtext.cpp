// The first steps of reading another program's table: decoding, lines, the separator and
// decimal sign, the fields of a line, the numbers in them.

#include "csvtext.h"

#include <QtTest>

#include <cmath>

class tst_CsvText : public QObject
{
    Q_OBJECT

private slots:
    void decoding_data();
    void decoding();
    void lines();
    void dialect_data();
    void dialect();
    void fields_data();
    void fields();
    void numbers_data();
    void numbers();
};

void tst_CsvText::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("encoding");

    QTest::newRow("UTF-8") << QByteArray("Time,CH1\n") << QByteArray("Time,CH1\n") << "UTF-8";
    QTest::newRow("UTF-8 with a byte-order mark")
        << QByteArray("\xef\xbb\xbfTime (\xc2\xb5s)") << QByteArray("Time (\xc2\xb5s)") << "UTF-8";
    QTest::newRow("UTF-16 little endian, as a spreadsheet saves Unicode text")
        << QByteArray("\xff\xfeT\0i\0m\0e\0\t\0\xb5\0s\0\r\0\n\0", 20)
        << QByteArray("Time\t\xc2\xb5s\r\n") << "UTF-16 little endian";
    QTest::newRow("UTF-16 big endian") << QByteArray("\xfe\xff\0"
                                                     "1\0,\0"
                                                     "2",
        8) << QByteArray("1,2") << "UTF-16 big endian";
    QTest::newRow("UTF-16 little endian without a mark") << QByteArray("0\0,\0"
                                                                       "1\0\n\0",
        8) << QByteArray("0,1\n") << "UTF-16 little endian";
}

void tst_CsvText::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, text);
    QFETCH(QString, encoding);

    const DecodedText decoded = decodeText(bytes);
    QCOMPARE(QByteArray(decoded.text.data(), int(decoded.text.size())), text);
    QCOMPARE(QString::fromLatin1(decoded.encoding), encoding);
}

// Every kind of line end, a last line without one, and the line numbers.
void tst_CsvText::lines()
{
    const struct
    {
        const char *text;
        QStringList lines;
        bool lastTerminated;
    } cases[] = {
        {"a\nb\n", {"a", "b"}, true},
        {"a\r\nb\r\n\r\nc", {"a", "b", "", "c"}, false},
        {"a\rb\r", {"a", "b"}, true},
    };
    for (const auto &c : cases) {
        LineCursor cursor(c.text);
        TextLine line;
        QStringList read;
        bool terminated = false;
        while (cursor.next(&line)) {
            QCOMPARE(line.number, std::int64_t(read.size() + 1));
            read.append(QString::fromLatin1(line.text.data(), int(line.text.size())));
            terminated = line.terminated;
        }
        QCOMPARE(read, c.lines);
        QCOMPARE(terminated, c.lastTerminated);
    }
}

void tst_CsvText::dialect_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<char>("separator");
    QTest::addColumn<bool>("decimalComma");

    QTest::newRow("commas") << QByteArray("Time,CH1,CH2\n0,1,2\n") << ',' << false;
    // PicoScope's German export.
    QTest::newRow("semicolons with decimal commas")
        << QByteArray("Zeit;Kanal A;Kanal B\n(ms);(V);(V)\n\n-0,5;0,1;0,2\n") << ';' << true;
    QTest::newRow("tabs") << QByteArray("0\t0,1\t0,2\n") << '\t' << true;
    // Owon's settings hold tabs before their colons, every line holds a comma.
    QTest::newRow("tabs in some settings, commas everywhere") << QByteArray(
        "Channel\t\t\t  :,CH1\nTime interval\t\t  :,0.08uS\n\nindex,CH1_Voltage(mV)\n"
        "0,160.00\n1,160.00\n") << ',' << false;
    QTest::newRow("separators inside quotes do not count")
        << QByteArray("\"a;b\",\"c;d\"\n\"1;2\",3\n") << ',' << false;
}

void tst_CsvText::dialect()
{
    QFETCH(QByteArray, text);
    QFETCH(char, separator);
    QFETCH(bool, decimalComma);

    const Dialect dialect
        = sniffDialect(std::string_view(text.constData(), std::size_t(text.size())));
    QCOMPARE(dialect.separator, separator);
    QCOMPARE(dialect.decimalComma, decimalComma);
}

void tst_CsvText::fields_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<char>("separator");
    QTest::addColumn<QStringList>("fields");

    // Tektronix TBS1072B: settings in the first columns, blanks before the numbers, an
    // empty last field.
    QTest::newRow("Tektronix row")
        << QByteArray("Record Length,2.500000e+03,,   0.000000000000,   1.84000,") << ','
        << QStringList {"Record Length", "2.500000e+03", "", "0.000000000000", "1.84000", ""};
    QTest::newRow("quoted fields with the separator and a decimal comma")
        << QByteArray("\"Time; s\";\"0,5\" ; x") << ';' << QStringList {"Time; s", "0,5", "x"};
    QTest::newRow("an unclosed quote runs to the end")
        << QByteArray("\"a,b") << ',' << QStringList {"a,b"};
    QTest::newRow("an empty line") << QByteArray("") << ',' << QStringList {""};
}

void tst_CsvText::fields()
{
    QFETCH(QByteArray, line);
    QFETCH(char, separator);
    QFETCH(QStringList, fields);

    Fields split;
    splitFields(std::string_view(line.constData(), std::size_t(line.size())), separator, &split);
    QStringList read;
    for (const std::string_view field : split) {
        read.append(QString::fromUtf8(field.data(), int(field.size())));
    }
    QCOMPARE(read, fields);
}

void tst_CsvText::numbers_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<bool>("decimalComma");
    QTest::addColumn<int>("parsed"); // Parsed
    QTest::addColumn<double>("value");

    const int number = int(Parsed::Number);
    const int notFinite = int(Parsed::NotFinite);
    const int notNumber = int(Parsed::NotNumber);
    QTest::newRow("Keysight's engineering notation")
        << QByteArray("-402.01005E-06") << false << number << -402.01005e-6;
    QTest::newRow("a plus sign") << QByteArray("+0.0E+00") << false << number << 0.0;
    QTest::newRow("a decimal comma") << QByteArray("-0,5") << true << number << -0.5;
    QTest::newRow("a comma without the dialect") << QByteArray("0,5") << false << notNumber << 0.0;
    QTest::newRow("two commas") << QByteArray("1,2,3") << true << notNumber << 0.0;
    QTest::newRow("a doubled sign") << QByteArray("+-1") << false << notNumber << 0.0;
    QTest::newRow("two plus signs") << QByteArray("++1") << false << notNumber << 0.0;
    QTest::newRow("a unit after the number") << QByteArray("2e-9s") << false << notNumber << 0.0;
    QTest::newRow("empty") << QByteArray("") << false << int(Parsed::Empty) << 0.0;
    QTest::newRow("NaN") << QByteArray("nan") << false << notFinite << 0.0;
    QTest::newRow("infinity") << QByteArray("-Infinity") << false << notFinite << 0.0;
    QTest::newRow("PicoScope's over-range sign")
        << QByteArray("\xe2\x88\x9e") << false << notFinite << 0.0;
    QTest::newRow("beyond a double") << QByteArray("1e999") << false << notFinite << 0.0;
    QTest::newRow("below a double is zero") << QByteArray("1e-999") << false << number << 0.0;
    QTest::newRow("too long to be a number") << QByteArray(100, '1') << false << notNumber << 0.0;
}

void tst_CsvText::numbers()
{
    QFETCH(QByteArray, field);
    QFETCH(bool, decimalComma);
    QFETCH(int, parsed);
    QFETCH(double, value);

    double read = -1;
    QCOMPARE(int(parseNumber(std::string_view(field.constData(), std::size_t(field.size())),
                 decimalComma, &read)),
        parsed);
    if (parsed == int(Parsed::Number)) {
        QCOMPARE(read, value);
    }
}

QTEST_GUILESS_MAIN(tst_CsvText)
#include "tst_csvtext.moc"
