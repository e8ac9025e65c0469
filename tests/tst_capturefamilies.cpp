// Captures as each family of oscilloscopes writes them, measured end to end: ngspice runs
// the measuring setup for a load, an 8-bit oscilloscope with noise digitises the probes,
// the samples are written in the family's layout (its first lines as a real file of that
// family has them, its number format, one file or one file per channel), and
// zalvimo-measure's reader, pairing and fit must give the simulated load within 0.5 %.

#include "capture.h"
#include "capturemeasurement.h"
#include "capturereader.h"
#include "measuringbench.h"
#include "ngspice.h"

#include <QtTest>

#include <cmath>
#include <complex>
#include <functional>

namespace {

constexpr double kTolerance = 0.005; // relative to |Z|

struct File
{
    QString name;
    QByteArray content;
    QByteArray header = {}; // the header file beside a data file of values alone
    int segment = 0; // the segment to read, from 1; 0 the first
};

// One sample line of a family's file: k, the time in seconds, CH1 and CH2 in volts.
using Row = std::function<QByteArray(int, double, double, double)>;

QByteArray g(double value, int precision)
{
    return QByteArray::number(value, 'g', precision);
}

QByteArray fixed(double value, int decimals)
{
    return QByteArray::number(value, 'f', decimals);
}

QByteArray scientific(double value, int decimals)
{
    return QByteArray::number(value, 'e', decimals);
}

// Keysight's engineering notation: an exponent that is a multiple of three, "-402.01005E-06".
QByteArray engineering(double value, int decimals)
{
    if (value == 0) {
        return "+0.0E+00";
    }
    int exponent = int(std::floor(std::log10(std::abs(value)) / 3)) * 3;
    const double mantissa = value / std::pow(10.0, exponent);
    QByteArray text = QByteArray::number(mantissa, 'f', decimals) + 'E';
    text += exponent < 0 ? '-' : '+';
    text += QByteArray::number(std::abs(exponent)).rightJustified(2, '0');
    return text;
}

QByteArray rows(const ScopeCapture &c, const Row &row)
{
    QByteArray text;
    for (int k = 0; k < c.time.size(); ++k) {
        text += row(k, c.time[k], c.ch1[k], c.ch2[k]);
    }
    return text;
}

double interval(const ScopeCapture &c)
{
    return (c.time.back() - c.time.front()) / (c.time.size() - 1);
}

// The files a family writes of one capture.
using Family = std::function<QVector<File>(const ScopeCapture &)>;

// A family that writes one file a channel: each file's name and first lines, then a line a
// sample of k, the time in seconds and that channel's volts.
QVector<File> filePerChannel(const ScopeCapture &c, std::initializer_list<int> channels,
    const std::function<File(int)> &head,
    const std::function<QByteArray(int channel, int k, double t, double volts)> &row)
{
    QVector<File> files;
    for (int channel : channels) {
        File file = head(channel);
        file.content += rows(c, [&](int k, double t, double one, double two) {
            return row(channel, k, t, channel == 1 ? one : two);
        });
        files.append(file);
    }
    return files;
}

QVector<File> tektronix(const ScopeCapture &c)
{
    // Tektronix TBS1072B, one file a channel, the settings beside the first 18 rows
    // (GAGER41/oximetre, F0000CH1.CSV).
    const auto settings = [&](int channel) {
        return QVector<QByteArray> {"Record Length," + scientific(c.time.size(), 6) + ',',
            "Sample Interval," + scientific(interval(c), 6) + ',',
            "Trigger Point,-0.000000000000e+00,", ",,", ",,", ",,",
            "Source,CH" + QByteArray::number(channel) + ',', "Vertical Units,V,",
            "Vertical Scale,1.000000e-02,", "Vertical Offset,0.000000e+00,", "Horizontal Units,s,",
            "Horizontal Scale,5.000000e-07,", "Pt Fmt,Y,", "Yzero,0.000000e+00,",
            "Probe Atten,1.000000e+01,", "Model Number,TBS1072B,", "Serial Number,C035559,",
            "Firmware Version,FV:v4.06,"};
    };
    const QVector<QByteArray> beside[] = {settings(1), settings(2)};
    return filePerChannel(
        c, {1, 2},
        [](int channel) {
            return File {QStringLiteral("F0000CH%1.CSV").arg(channel), {}};
        },
        [&](int channel, int k, double t, double volts) {
            return beside[channel - 1].value(k, ",,") + ",   " + fixed(t, 12) + ",   "
                + fixed(volts, 5) + ",\n";
        });
}

QVector<File> tektronixMdo(const ScopeCapture &c)
{
    // Tektronix MDO3000/MSO4000, both channels in one file: settings in columns beside each
    // other, three lines of commas, a label line, then TIME,CH1,CH2 (the first lines of an
    // MDO3014 file as a public write-up quotes them).
    return {{QStringLiteral("tek0000ALL.csv"),
        "Model,MDO3014\nFirmware Version,1.20\n\nWaveform Type,ANALOG,ANALOG\n"
        "Point Format,Y,Y\nHorizontal Units,s,s\nHorizontal Scale,4e-07,4e-07\n"
        "Horizontal Delay,0,0\nSample Interval,"
            + g(interval(c), 6) + ',' + g(interval(c), 6) + "\nRecord Length,"
            + QByteArray::number(c.time.size()) + ',' + QByteArray::number(c.time.size())
            + "\nGating,0.0% to 100.0%,0.0% to 100.0%\nProbe Attenuation,10,10\n"
              "Vertical Units,V,V\nVertical Offset,0,0\nVertical Scale,0.02,0.01\n"
              "Vertical Position,0,0\n,,\n,,\n,,\nLabel,,\nTIME,CH1,CH2\n"
            + rows(c, [](int, double t, double one, double two) {
                  return scientific(t, 7) + ',' + fixed(one, 5) + ',' + fixed(two, 5) + '\n';
              })}};
}

QVector<File> rigolDs1000z(const ScopeCapture &c)
{
    // Rigol DS1000Z (Cbabe/Power_Electronics, NewFile1.csv).
    return {{QStringLiteral("NewFile1.csv"),
        "X,CH1,CH2,Start,Increment,\nSequence,Volt,Volt," + scientific(c.time[0], 6) + ','
            + scientific(interval(c), 6) + '\n'
            + rows(c, [](int k, double, double one, double two) {
                  return QByteArray::number(k) + ',' + scientific(one, 2) + ',' + scientific(two, 2)
                      + ",\n";
              })}};
}

QVector<File> keysight(const ScopeCapture &c)
{
    // Keysight InfiniiVision (HCui91/Scope_plot, scope_0.csv).
    return {{QStringLiteral("scope_0.csv"),
        "x-axis,1,2\nsecond,Volt,Volt\n" + rows(c, [](int, double t, double one, double two) {
            return engineering(t, 5) + ',' + engineering(one, 5) + ',' + engineering(two, 5) + '\n';
        })}};
}

QVector<File> owon(const ScopeCapture &c)
{
    // Owon HDS242, one file a channel (h-elsner/OwonOszi, testfiles/WAVE1.CSV).
    return filePerChannel(
        c, {1, 2},
        [&](int channel) {
            const QByteArray ch = "CH" + QByteArray::number(channel);
            return File {QStringLiteral("WAVE%1.CSV").arg(channel),
                "Channel\t\t\t  :," + ch
                    + "\nFrequency\t\t\t  :,F=  ?\nPeriod \t\t\t  :,T=  ?\nPK-PK\t\t\t\t  "
                      ":,Vpp=3.520V\n"
                      "Average\t\t\t  :,V=-1.306V\nVertical pos\t\t  :,0.00mV\n"
                      "Probe attenuation\t  :,10X\nVoltage per ADC value:,0.40mV\n"
                      "Time interval\t\t  :,"
                    + fixed(interval(c) * 1e6, 2) + "uS\n\nindex," + ch + "_Voltage(mV)\n"};
        },
        [](int, int k, double, double volts) {
            return QByteArray::number(k) + ',' + fixed(volts * 1e3, 2) + '\n';
        });
}

QVector<File> siglent(const ScopeCapture &c)
{
    // Siglent SDS1202X-E with its settings saved, one file a channel
    // (evanmoring/siglent_utils, SDS00001.csv).
    return filePerChannel(
        c, {1, 2},
        [&](int channel) {
            const QByteArray ch = "CH" + QByteArray::number(channel);
            return File {QStringLiteral("SDS0000%1.csv").arg(channel),
                "Record Length,Analog:" + QByteArray::number(c.time.size()) + "\nSample Interval,"
                    + ch + ':' + fixed(interval(c), 13) + "\nVertical Units," + ch
                    + ":V,,,\nVertical Scale," + ch + ":0.50,,,\nVertical Offset," + ch
                    + ":0.00,,,\nHorizontal Units,us,,,\nHorizontal Scale,20000.0000000000,,,\n"
                      "Model Number,SDS1202X-E,,,\nSerial Number,SDS1EDEC5R2457,,,\n"
                      "Software Version,1.3.26,,,\nSource,"
                    + ch + "\nSecond,Volt\n"};
        },
        [](int, int, double t, double volts) {
            return ' ' + fixed(t, 11) + ',' + fixed(volts, 5) + '\n';
        });
}

QVector<File> lecroy(const ScopeCapture &c)
{
    // Teledyne LeCroy HDO9404, one file a channel, named after it; the first lines as a
    // public repository's reader of these files quotes them. Given CH2 first: the names'
    // tags order them.
    return filePerChannel(
        c, {2, 1},
        [&](int channel) {
            return File {QStringLiteral("C%1--antenna--00000.csv").arg(channel),
                "LECROYHDO9404,30152,Waveform\nSegments,1,SegmentSize,"
                    + QByteArray::number(c.time.size())
                    + "\nSegment,TrigTime,TimeSinceSegment1\n#1,28-Dec-2020 13:34:10,0\n"
                      "Time,Ampl\n"};
        },
        [](int, int, double t, double volts) {
            return scientific(t, 8) + ',' + g(volts, 11) + '\n';
        });
}

QVector<File> picoscope(const ScopeCapture &c)
{
    // PicoScope 6: names, units, a blank line, eight decimals (as a public analysis tool's
    // README quotes a file's first lines); channel B in millivolts.
    return {{QStringLiteral("pico.csv"),
        "Time,Channel A,Channel B\n(us),(V),(mV)\n\n"
            + rows(c, [](int, double t, double one, double two) {
                  return fixed(t * 1e6, 8) + ',' + fixed(one, 8) + ',' + fixed(two * 1e3, 6) + '\n';
              })}};
}

QVector<File> picoscopeGerman(const ScopeCapture &c)
{
    // PicoScope 6 in German: semicolons, decimal commas, Windows line ends.
    return {{QStringLiteral("pico-de.csv"),
        "Zeit;Kanal A;Kanal B\r\n(\xc2\xb5s);(V);(V)\r\n\r\n"
            + rows(c, [](int, double t, double one, double two) {
                  return QByteArray(
                      fixed(t * 1e6, 8) + ';' + fixed(one, 8) + ';' + fixed(two, 8) + "\r\n")
                      .replace('.', ',');
              })}};
}

QVector<File> rigolMso5000(const ScopeCapture &c)
{
    // Rigol MSO5000, DHO800/900: "t0 = …s, tInc = …s" beside the names, rows ending in ",,".
    return {{QStringLiteral("RigolDS0.csv"),
        "Time(s),CH1(V),CH2(V),t0 = " + scientific(c.time[0], 6)
            + "s, tInc = " + scientific(interval(c), 6) + "s,\n"
            + rows(c, [](int, double t, double one, double two) {
                  return scientific(t, 6) + ',' + scientific(one, 6) + ',' + scientific(two, 6)
                      + ",,\n";
              })}};
}

QVector<File> rigolDs1000b(const ScopeCapture &c)
{
    // Rigol DS1000B: every row ends in a comma and a blank.
    return {{QStringLiteral("DS1000B.csv"),
        "Time,CH1,CH2\n" + rows(c, [](int, double t, double one, double two) {
            return scientific(t, 5) + ',' + fixed(one, 5) + ',' + fixed(two, 5) + ", \n";
        })}};
}

QVector<File> rigolMso5000Quoted(const ScopeCapture &c)
{
    // Rigol MSO5000 as a converter's README quotes an MSO5000 file: "Time(s),CH1V", the
    // interval without its unit, seven digits in capitals, rows ending in ",,".
    return {{QStringLiteral("RigolDS1.csv"),
        "Time(s),CH1V,CH2V,t0 = " + g(c.time[0], 6) + "s, tInc = " + g(interval(c), 6) + ",\n"
            + rows(c, [](int, double t, double one, double two) {
                  return QByteArray::number(t, 'E', 6) + ',' + QByteArray::number(one, 'E', 6) + ','
                      + QByteArray::number(two, 'E', 6) + ",,\n";
              })}};
}

QVector<File> rigolDs1000e(const ScopeCapture &c)
{
    // Rigol DS1000E, one file a channel, names and units ending in a comma, times in single
    // precision as the oscilloscope computes them (janengelbrecht/RIGOL_DS1052_Tools,
    // NewFile0.csv).
    return filePerChannel(
        c, {1, 2},
        [](int channel) {
            return File {QStringLiteral("NewFile%1.csv").arg(channel - 1),
                "X,CH" + QByteArray::number(channel) + ",\nSecond,Volt,\n"};
        },
        [](int, int, double t, double volts) {
            return scientific(double(float(t)), 7) + ',' + scientific(volts, 5) + ",\n";
        });
}

QVector<File> rigolNoSequence(const ScopeCapture &c)
{
    // Rigol without sample numbers: the start and the increment beside the units, five
    // decimals, rows ending in a comma (JonasLampp/Kernspinresonanz, NewFile1.csv).
    return {{QStringLiteral("NewFile1.csv"),
        "CH1,CH2,Start,Increment,\nVolt,Volt," + scientific(c.time[0], 5) + ','
            + scientific(interval(c), 5) + '\n' + rows(c, [](int, double, double one, double two) {
                  return scientific(one, 5) + ',' + scientific(two, 5) + ",\n";
              })}};
}

QVector<File> siglentSettingsOff(const ScopeCapture &c)
{
    // Siglent SDS1000 with its settings off: "Source,CH1,CH2" over "Second,Volt,Volt"
    // (ArdanEslik/AKU-RLI-Dataset, SDS00001.CSV).
    return {{QStringLiteral("SDS00002.CSV"),
        "Source,CH1,CH2\nSecond,Volt,Volt\n" + rows(c, [](int, double t, double one, double two) {
            return fixed(t, 11) + ',' + fixed(one, 5) + ',' + fixed(two, 5) + '\n';
        })}};
}

QVector<File> rohdeSchwarzRtb(const ScopeCapture &c)
{
    // Rohde & Schwarz RTB2000, one file a channel: "in s,C1 in V", eight digits (as a
    // converter of RTB2000 files quotes their first lines).
    return filePerChannel(
        c, {1, 2},
        [](int channel) {
            return File {QStringLiteral("WFM0%1.CSV").arg(channel),
                "in s,C" + QByteArray::number(channel) + " in V\n"};
        },
        [](int, int, double t, double volts) {
            return QByteArray::number(t, 'E', 7) + ',' + QByteArray::number(volts, 'E', 7) + '\n';
        });
}

QVector<File> rohdeSchwarzFive(const ScopeCapture &c)
{
    // Rohde & Schwarz with four channels in one file and the time in five digits
    // (lzt66666/TDL-WMS-laser-calibration-helper, WFM.CSV). Twelve microseconds before the
    // trigger five digits resolve 1 ns: at this interval the stamps repeat.
    const double shift = -1.2e-5 - c.time[0];
    return {{QStringLiteral("WFM.CSV"),
        "in s,C1 in V,C2 in V,C3 in V,C4 in V\n"
            + rows(c, [&](int k, double t, double one, double two) {
                  return QByteArray::number(t + shift, 'E', 4) + ','
                      + QByteArray::number(one, 'E', 5) + ',' + QByteArray::number(two, 'E', 5)
                      + ',' + QByteArray::number(0.2 + 1e-3 * (k % 7), 'E', 5) + ",4.26666E-03\n";
              })}};
}

QVector<File> spreadsheetUnicode(const ScopeCapture &c)
{
    // A capture re-saved by a spreadsheet as "Unicode text": UTF-16, tabs, decimal commas.
    const QString text = QString::fromUtf8(
        "Time (s)\tCH1 (V)\tCH2 (V)\r\n" + rows(c, [](int, double t, double one, double two) {
            return QByteArray(
                scientific(t, 9) + '\t' + fixed(one, 6) + '\t' + fixed(two, 6) + "\r\n")
                .replace('.', ',');
        }));
    QByteArray utf16("\xff\xfe");
    for (const QChar ch : text) {
        utf16 += char(ch.unicode() & 0xff);
        utf16 += char(ch.unicode() >> 8);
    }
    return {{QStringLiteral("unicode.txt"), utf16}};
}

QVector<File> gwInstek(const ScopeCapture &c)
{
    // GW Instek GDS, one file a channel: its settings, "Waveform Data", then each sample as
    // the converter's count, 25 a division of Vertical Scale (Petint/PATAKY-MERES,
    // RL/ALL0001/A0001CH1.CSV). The channels at different volts per division; the first two
    // samples repeat the record's last two, as that file's do.
    const double scales[] = {5e-2, 1e-2};
    return filePerChannel(
        c, {1, 2},
        [&](int channel) {
            return File {QStringLiteral("A0001CH%1.CSV").arg(channel),
                "Memory Length," + QByteArray::number(c.time.size())
                    + ",\nTrigger Level,2.400E-02,\nSource,CH" + QByteArray::number(channel)
                    + ",\nVertical Units,V,\nVertical Scale,"
                    + QByteArray::number(scales[channel - 1], 'E', 3)
                    + ",\nVertical Position,2.000E-01,\nHorizontal Units,s,\n"
                      "Horizontal Scale,5.000E-04,\nHorizontal Position,0.000E+00,\n"
                      "Horizontal Mode,Main,\nSampling Period,"
                    + QByteArray::number(interval(c), 'E', 3)
                    + ",\nFirmware, V1.14,\nWaveform Data,\n"};
        },
        [&](int channel, int k, double, double) {
            const QVector<double> &volts = channel == 1 ? c.ch1 : c.ch2;
            const int n = volts.size();
            const double perCount = scales[channel - 1] / 25;
            const double v = k < 2 ? volts[n - 2 + k] : volts[k];
            return QByteArray::number(int(std::clamp(std::round(v / perCount), -128.0, 127.0)))
                + ",\n";
        });
}

QVector<File> rohdeSchwarzRto(const ScopeCapture &c)
{
    // Rohde & Schwarz RTO2000, one file a channel: the values alone in "name.Wfm.csv", a
    // history of two waveforms each after its timestamp, and beside them the header
    // "name.csv" of "Key:value:" lines, as Brunner-neutrino-lab/RTO-wfmparser's
    // scopedata/RefCurve_2023-12-08_0_003837.csv has it (the lines this reader uses). The
    // second waveform runs backwards: taking it would give another load.
    QVector<File> files;
    for (int channel : {1, 2}) {
        const QVector<double> &volts = channel == 1 ? c.ch1 : c.ch2;
        const QByteArray n = QByteArray::number(c.time.size());
        QByteArray header = "CPgReferenceCurveAttributes:SourceType:Source:\nResolution:"
            + g(interval(c), 12) + ":\nRecordLength:" + n + ":\nHardwareXStart:" + g(c.time[0], 12)
            + ":\nSignalHardwareRecordLength:" + n + ":\nSignalResolution:" + g(interval(c), 12)
            + ":\nSource:Ch" + QByteArray::number(channel)
            + "Wfm1:\nMultiChannelExport:Off:\nSignalFormat:FLOAT:\nTimestampState:On:\n";
        QByteArray data = "-0.00559015392773438\n";
        for (const double v : volts) {
            data += g(v, 8) + '\n';
        }
        data += "0\n";
        for (int k = volts.size(); k-- > 0;) {
            data += g(volts[k], 8) + '\n';
        }
        files.append({QStringLiteral("RefCurve_C%1.Wfm.csv").arg(channel), data, header});
    }
    return files;
}

QVector<File> agilentLastRow(const ScopeCapture &c)
{
    // Agilent MSO7034A: Keysight's layout with the sign always written and a last row of a
    // time and no values (sigrokproject/sigrok-dumps, misc/square_wave_2ch/scope_3.csv).
    const auto sign = [](const QByteArray &text) {
        return text.startsWith('-') || text.startsWith('+') ? text : '+' + text;
    };
    return {{QStringLiteral("scope_3.csv"),
        "x-axis,1,2\nsecond,Volt,Volt\n"
            + rows(c,
                [&](int, double t, double one, double two) {
                    return sign(engineering(t, 6)) + ',' + sign(engineering(one, 6)) + ','
                        + sign(engineering(two, 6)) + '\n';
                })
            + sign(engineering(c.time.back() + interval(c), 6)) + ",,\n"}};
}

QVector<File> lecroyWaveSurfer(const ScopeCapture &c)
{
    // Teledyne LeCroy WaveSurfer 4054HD, one file a channel: two segments, each timed from
    // its own trigger, exponents of three digits, Windows line ends and none after the last
    // line (nu-ZOO/MULE, packs/tests/data/one_channel_LECROYWS4054HD.csv). CH2's save was cut
    // inside its last number; the second segment is read.
    const int each = c.time.size() / 2;
    const auto time = [](double t) {
        QByteArray text = QByteArray::number(t, 'g', 6);
        const int e = text.indexOf('e');
        return e >= 0 && text.size() - e == 4 ? text.insert(e + 2, '0') : text;
    };
    QVector<File> files = filePerChannel(
        c, {1, 2},
        [&](int channel) {
            return File {QStringLiteral("C%1--ws--00000.csv").arg(channel),
                "LECROYWS4054HD,18156,Waveform\r\nSegments,2,SegmentSize,"
                    + QByteArray::number(each)
                    + "\r\nSegment,TrigTime,TimeSinceSegment1\r\n"
                      "#1,26-Mar-2026 14:34:31,0                 \r\n"
                      "#2,26-Mar-2026 14:34:31,0.000999964       \r\nTime,Ampl\r\n",
                {}, 2};
        },
        [&](int, int k, double t, double volts) {
            const double start = c.time[k < each ? 0 : each];
            return k >= 2 * each ? QByteArray()
                                 : time(t - start - 2.88172e-6) + ',' + g(volts, 9) + "\r\n";
        });
    files[0].content.chop(2);
    files[1].content.chop(8);
    return files;
}

} // namespace

Q_DECLARE_METATYPE(Family)

class tst_CaptureFamilies : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void families_data();
    void families();
};

void tst_CaptureFamilies::initTestCase()
{
    if (!ngspiceAvailable()) {
        QSKIP("ngspice is not installed (apt-get install ngspice)");
    }
}

void tst_CaptureFamilies::families_data()
{
    QTest::addColumn<Family>("family");
    QTest::addColumn<double>("megahertz");
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("interval"); // ns
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("read"); // of them, into the capture measured
    QTest::addColumn<QString>("warning"); // what the reader must say, if anything

    QTest::newRow("Tektronix TBS, two files")
        << Family(tektronix) << 18.13 << 34.24 << 14.33 << 1.0 << 2500 << 2500 << QString();
    QTest::newRow("Tektronix MDO/MSO, one file")
        << Family(tektronixMdo) << 24.9 << 35.0 << -15.0 << 0.5 << 5000 << 5000 << QString();
    QTest::newRow("Rigol DS1000Z")
        << Family(rigolDs1000z) << 7.1 << 20.0 << -30.0 << 2.0 << 5000 << 5000 << QString();
    QTest::newRow("Keysight InfiniiVision")
        << Family(keysight) << 14.2 << 42.0 << -27.0 << 1.0 << 5000 << 5000 << QString();
    QTest::newRow("Owon, two files")
        << Family(owon) << 7.1 << 60.0 << 20.0 << 10.0 << 5000 << 5000 << QString();
    QTest::newRow("Siglent with settings, two files")
        << Family(siglent) << 10.1 << 100.0 << 50.0 << 2.0 << 5000 << 5000 << QString();
    QTest::newRow("Teledyne LeCroy, two files, CH2 first")
        << Family(lecroy) << 28.5 << 30.0 << 10.0 << 0.5 << 5000 << 5000 << QString();
    QTest::newRow("PicoScope") << Family(picoscope) << 3.6 << 45.0 << 25.0 << 4.0 << 5000 << 5000
                               << QString();
    QTest::newRow("PicoScope, German")
        << Family(picoscopeGerman) << 21.2 << 25.0 << -10.0 << 1.0 << 5000 << 5000 << QString();
    QTest::newRow("Rigol MSO5000, DHO800/900")
        << Family(rigolMso5000) << 50.1 << 50.0 << -30.0 << 0.5 << 5000 << 5000 << QString();
    QTest::newRow("Rigol DS1000B")
        << Family(rigolDs1000b) << 1.85 << 30.0 << 60.0 << 4.0 << 5000 << 5000 << QString();
    QTest::newRow("Rigol MSO5000, as quoted")
        << Family(rigolMso5000Quoted) << 14.2 << 42.0 << -27.0 << 1.0 << 5000 << 5000 << QString();
    QTest::newRow("Rigol DS1000E, two files")
        << Family(rigolDs1000e) << 3.6 << 30.0 << 40.0 << 4.0 << 5000 << 5000 << QString();
    QTest::newRow("Rigol, no sample numbers")
        << Family(rigolNoSequence) << 10.1 << 75.0 << 30.0 << 2.0 << 5000 << 5000 << QString();
    QTest::newRow("Siglent with settings off")
        << Family(siglentSettingsOff) << 7.1 << 60.0 << -40.0 << 2.0 << 5000 << 5000 << QString();
    QTest::newRow("Rohde & Schwarz RTB, two files")
        << Family(rohdeSchwarzRtb) << 21.2 << 35.0 << 20.0 << 1.0 << 5000 << 5000 << QString();
    QTest::newRow("Rohde & Schwarz, five-digit times")
        << Family(rohdeSchwarzFive) << 14.2 << 42.0 << -27.0 << 0.4 << 5000 << 5000
        << QStringLiteral("repeats its time stamps");
    QTest::newRow("spreadsheet Unicode text")
        << Family(spreadsheetUnicode) << 24.9 << 40.0 << 5.0 << 1.0 << 5000 << 5000 << QString();
    QTest::newRow("GW Instek, two files at unequal scales")
        << Family(gwInstek) << 7.1 << 10.0 << 5.0 << 4.0 << 4000 << 4000 << QString();
    QTest::newRow("Rohde & Schwarz RTO, data files with their headers")
        << Family(rohdeSchwarzRto) << 14.2 << 42.0 << -27.0 << 1.0 << 5000 << 5000 << QString();
    QTest::newRow("Agilent, a last row of no values")
        << Family(agilentLastRow) << 10.1 << 75.0 << 30.0 << 2.0 << 5000 << 5000 << QString();
    QTest::newRow("LeCroy WaveSurfer, two segments, one file cut")
        << Family(lecroyWaveSurfer) << 3.6 << 30.0 << 40.0 << 8.0 << 5000 << 2499
        << QStringLiteral("lost its last sample to a cut-off line");
}

void tst_CaptureFamilies::families()
{
    QFETCH(Family, family);
    QFETCH(double, megahertz);
    QFETCH(double, r);
    QFETCH(double, x);
    QFETCH(double, interval);
    QFETCH(int, samples);
    QFETCH(int, read);
    QFETCH(QString, warning);
    const std::complex<double> load(r, x);

    MeasuringBench bench;
    bench.frequencyHz = megahertz * 1e6;
    bench.amplitude = 0.2;
    bench.loadResistance = r;
    bench.loadReactance = x;
    bench.stepsPerPeriod = 200;
    ScopeCapture analog;
    QString error;
    QVERIFY2(simulateBench(bench, interval * 1e-9, samples, &analog, &error), qPrintable(error));
    const QVector<File> files = family(digitise(analog, ScopeSettings()));

    const auto readFile = [](const File &file) {
        ReadContext context;
        context.segment = file.segment;
        context.header = file.header;
        context.headerName = file.header.isEmpty() ? QString() : file.name + ".header";
        return readCaptureChannels(file.content, file.name, {}, context);
    };
    Capture capture;
    const Result<CaptureRead> firstFile = readFile(files[0]);
    QVERIFY2(firstFile, qPrintable(firstFile.error()));
    const CaptureRead &first = *firstFile;
    QStringList warnings = first.warnings;
    if (files.size() == 2) {
        const Result<CaptureRead> second = readFile(files[1]);
        QVERIFY2(second, qPrintable(second.error()));
        const Result<PairedCapture> paired
            = pairChannels(first, files[0].name, *second, files[1].name);
        QVERIFY2(paired, qPrintable(paired.error()));
        warnings += second->warnings + paired->warnings;
        capture = paired->capture;
    } else {
        QCOMPARE(int(first.channels.size()), 2);
        capture.time = first.time;
        capture.reference = first.channels[0].millivolts;
        capture.vx = first.channels[1].millivolts;
    }
    QVERIFY2(warning.isEmpty() ? warnings.isEmpty() : warnings.join('\n').contains(warning),
        qPrintable(warnings.join('\n')));
    QCOMPARE(int(capture.time.size()), read);
    const Result<CaptureMeasurement> measured = measureCapture(capture, 0, 50);
    QVERIFY2(measured, qPrintable(measured.error()));
    const CaptureMeasurement &m = *measured;
    const double zError = std::abs(std::complex<double>(m.r, m.x) - load) / std::abs(load);
    qInfo("%s: Z %.5g %+.5gj, error %.2e", QTest::currentDataTag(), m.r, m.x, zError);
    QVERIFY2(zError < kTolerance, qPrintable(QString::number(zError)));
}

QTEST_GUILESS_MAIN(tst_CaptureFamilies)
#include "tst_capturefamilies.moc"
