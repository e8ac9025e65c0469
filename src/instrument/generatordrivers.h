#ifndef GENERATORDRIVERS_H
#define GENERATORDRIVERS_H

// The makers of the generator drivers, inside the instrument library only.

#include "generator.h"

class ScpiTransport;

// A serial generator at `path`: FeelTech or JDS6600, whichever answers its identification.
Result<std::unique_ptr<Generator>> connectSerialGenerator(
    const QString &path, std::chrono::milliseconds timeout);

#endif // GENERATORDRIVERS_H
