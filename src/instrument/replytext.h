#ifndef REPLYTEXT_H
#define REPLYTEXT_H

#include <QByteArray>
#include <QString>

#include <optional>

// What came back from an instrument, as a message may quote it: between single quotes, every
// byte outside printable ASCII written as "\x0a", cut to `maxCharacters` with "…" after.
QString quotedReply(const QByteArray &bytes, int maxCharacters = 40);

// What an instrument answered when asked who it is, as a person reads it: escaped and cut
// short like any reply, without the quotes.
QString identificationText(const QByteArray &reply);

// A number as SCPI instruments write it ("1.000000e-09", "+4.5E+00", "120000", " 0.5 "):
// finite, nothing else on the line. Empty for anything else.
std::optional<double> replyNumber(const QByteArray &text);

// A reply that may repeat the command's header and carry a unit with an SI prefix, as
// Siglent's oscilloscopes answer with their headers on: "C1:VDIV 5.00E-01V" in volts,
// "TRDL -5.000000ns" in seconds, "SARA 1.00GSa/s" in samples a second. `unit` is the unit
// the reply must end in ("V", "S", "Sa/s", "pts"), matched without regard to case; one SI
// prefix before it scales the number. Empty when the reply is no such number.
std::optional<double> replyQuantity(const QByteArray &reply, const QByteArray &unit);

// The fields of a comma-separated reply, each trimmed of blanks.
QList<QByteArray> replyFields(const QByteArray &reply);

// The smallest step of the 1-2-5 sequence (…, 0.1, 0.2, 0.5, 1, 2, 5, 10, …) not below
// `value` (within a part in a million), as oscilloscopes step their scales. `value` > 0.
double oneTwoFiveAtLeast(double value);

// A time span as messages give it: "10 s", "0.3 s".
QString secondsText(long long milliseconds);

#endif // REPLYTEXT_H
