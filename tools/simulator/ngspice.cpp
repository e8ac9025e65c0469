#include "ngspice.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

constexpr int kTimeoutMilliseconds = 120000;

// Tight tolerances: the default relative tolerance of 1e-3 lets the integration error of a
// transient run reach the fourth digit, and the measurement must be checked far below that.
// The trapezoidal rule's phase error is a quarter of second-order Gear's at the same step:
// at 2000 steps per period about 1e-6 of the load's reactance.
const char kOptions[] = ".options reltol=1e-6 abstol=1e-15 vntol=1e-12 method=trap\n";

QString program()
{
    const QString fromEnvironment = qEnvironmentVariable("ZALVIMO_NGSPICE");
    return fromEnvironment.isEmpty() ? QStringLiteral("ngspice") : fromEnvironment;
}

bool parseTable(const QString &path, int columns, SpiceTable *table, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("ngspice wrote no data");
        return false;
    }
    table->clear();
    QTextStream in(&file);
    int lineNumber = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().simplified();
        ++lineNumber;
        if (line.isEmpty()) {
            continue;
        }
        const QStringList fields = line.split(QLatin1Char(' '));
        if (fields.size() != columns) {
            *error = QStringLiteral("ngspice data line %1: %2 columns, expected %3")
                         .arg(lineNumber)
                         .arg(fields.size())
                         .arg(columns);
            return false;
        }
        QVector<double> row;
        for (const QString &field : fields) {
            bool ok = false;
            row.append(field.toDouble(&ok));
            if (!ok) {
                *error = QStringLiteral("ngspice data line %1: not a number: %2")
                             .arg(lineNumber)
                             .arg(field);
                return false;
            }
        }
        table->append(row);
    }
    if (table->isEmpty()) {
        *error = QStringLiteral("ngspice wrote an empty table");
        return false;
    }
    return true;
}

} // namespace

bool runNgspice(const QString &elements, const QString &analysis, const QStringList &vectors,
    SpiceTable *table, QString *error)
{
    QTemporaryDir folder;
    if (!folder.isValid()) {
        *error = QStringLiteral("cannot make a temporary folder");
        return false;
    }
    const QString deckPath = folder.filePath(QStringLiteral("deck.cir"));
    const QString dataPath = folder.filePath(QStringLiteral("data.txt"));
    {
        QFile deck(deckPath);
        if (!deck.open(QIODevice::WriteOnly | QIODevice::Text)) {
            *error = QStringLiteral("cannot write %1").arg(deckPath);
            return false;
        }
        QTextStream out(&deck);
        // The first line of a deck is its title; the control block runs the analysis and
        // writes the vectors with fifteen digits against one shared scale column.
        out << "* zalvimo\n"
            << kOptions << elements << (elements.endsWith(QLatin1Char('\n')) ? "" : "\n")
            << ".control\n"
            << "set numdgt=15\n"
            << "set wr_singlescale\n"
            << analysis << '\n'
            << "wrdata " << dataPath << ' ' << vectors.join(QLatin1Char(' ')) << '\n'
            << "quit\n"
            << ".endc\n"
            << ".end\n";
    }

    QProcess ngspice;
    ngspice.setWorkingDirectory(folder.path());
    ngspice.setProcessChannelMode(QProcess::MergedChannels);
    ngspice.start(program(), {QStringLiteral("-b"), deckPath});
    if (!ngspice.waitForStarted()) {
        *error = QStringLiteral("cannot start %1 (Debian package ngspice): %2")
                     .arg(program(), ngspice.errorString());
        return false;
    }
    if (!ngspice.waitForFinished(kTimeoutMilliseconds)) {
        ngspice.kill();
        ngspice.waitForFinished();
        *error
            = QStringLiteral("ngspice did not finish within %1 s").arg(kTimeoutMilliseconds / 1000);
        return false;
    }
    const QString log = QString::fromLocal8Bit(ngspice.readAll());
    if (ngspice.exitStatus() != QProcess::NormalExit || ngspice.exitCode() != 0) {
        *error = QStringLiteral("ngspice failed:\n%1").arg(log.right(2000));
        return false;
    }
    if (!parseTable(dataPath, 1 + vectors.size(), table, error)) {
        error->append(QStringLiteral("\n") + log.right(2000));
        return false;
    }
    return true;
}

bool ngspiceAvailable()
{
    const QString name = program();
    return name.contains(QLatin1Char('/')) ? QFileInfo(name).isExecutable()
                                           : !QStandardPaths::findExecutable(name).isEmpty();
}
