#ifndef FORMDEFAULTS_H
#define FORMDEFAULTS_H

#include <QString>

// The default texts of the panel's fields, read from the form itself, so that a picture
// shows the numbers that a new user sees.
struct DefaultReading
{
    double sourceImpedance = 0; // ohms
    double vRef = 0; // mV
    double vX = 0; // mV
    double delay = 0; // ns
    double frequency = 0; // MHz
};

// False when the form cannot be read or lacks one of the five fields' texts.
bool readDefaults(const QString &formPath, DefaultReading *reading);

#endif // FORMDEFAULTS_H
