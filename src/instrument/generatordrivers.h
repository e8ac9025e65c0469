#ifndef GENERATORDRIVERS_H
#define GENERATORDRIVERS_H

// The makers of the generator drivers, inside the instrument library only.

#include "generator.h"

#include "scpitransport.h"

// What every generator driver holds: its link, its family and what it answered when asked
// who it is.
class LinkedGenerator : public Generator
{
public:
    LinkedGenerator(std::unique_ptr<ScpiTransport> transport, GeneratorFamily family,
        QByteArray identification);
    QString family() const override;
    QString identification() const override;
    QString name() const override;

protected:
    ScpiTransport &transport() const { return *m_transport; }

private:
    std::unique_ptr<ScpiTransport> m_transport;
    GeneratorFamily m_family;
    QByteArray m_identification;
};

// A serial generator at `path`: FeelTech or JDS6600, whichever answers its identification.
Result<std::unique_ptr<Generator>> connectSerialGenerator(
    const QString &path, std::chrono::milliseconds timeout);

#endif // GENERATORDRIVERS_H
