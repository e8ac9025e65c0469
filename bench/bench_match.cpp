// zalvimo-match's work as a person waits for it: every L-network of a load with its parts,
// their response and the band, for one load (the band on the grid around it) and for a
// measured sweep of 1001 points.

#include "matchdesign.h"
#include "units.h"

#include <QtTest>

#include <cmath>

class bench_Match : public QObject
{
    Q_OBJECT

private slots:
    void oneLoad();
    void sweepOf1001Points();
};

void bench_Match::oneLoad()
{
    MatchRequest request;
    request.frequencyHz = 14.2e6;
    request.load = {41.97, -27.05};
    request.coilForm.core = findCore(QStringLiteral("T50-2"));
    MatchResult result;
    QBENCHMARK
    {
        result = designMatches(request);
    }
    QCOMPARE(int(result.solutions.size()), 4);
}

void bench_Match::sweepOf1001Points()
{
    // A dipole, 42 ohm and a series resonance at 14.15 MHz, from 13 to 15.3 MHz.
    MatchRequest request;
    request.frequencyHz = 14.15e6;
    request.coilForm.core = findCore(QStringLiteral("T50-2"));
    for (int i = 0; i < 1001; ++i) {
        const double hertz = 13e6 + i * 2.3e3;
        const double omega = angularFrequency(hertz);
        request.sweep.emplace_back(
            hertz, std::complex<double>(42, omega * 2e-6 - 1 / (omega * 63.25e-12)));
    }
    request.load = request.sweep[500].second;
    MatchResult result;
    QBENCHMARK
    {
        result = designMatches(request);
    }
    QVERIFY(!result.solutions.empty());
}

QTEST_GUILESS_MAIN(bench_Match)
#include "bench_match.moc"
