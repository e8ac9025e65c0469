#include "formdefaults.h"

#include <QFile>
#include <QHash>
#include <QStringList>
#include <QXmlStreamReader>

bool readDefaults(const QString &formPath, DefaultReading *reading)
{
    QFile file(formPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QHash<QString, double *> fields {
        {QStringLiteral("lineEditSourceImpedance"), &reading->sourceImpedance},
        {QStringLiteral("lineEditVRef"), &reading->vRef},
        {QStringLiteral("lineEditVX"), &reading->vX},
        {QStringLiteral("lineEditDelay"), &reading->delay},
        {QStringLiteral("lineEditFreq"), &reading->frequency}};
    // The text property that belongs directly to one of those line edits; the stacks keep
    // the enclosing widget and the enclosing element.
    int found = 0;
    QStringList widgets;
    QStringList elements;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (elements.takeLast() == QLatin1String("widget")) {
                widgets.removeLast();
            }
            continue;
        }
        if (token != QXmlStreamReader::StartElement) {
            continue;
        }
        const QString parent = elements.isEmpty() ? QString() : elements.last();
        const QString name = xml.name().toString();
        const QString nameAttribute = xml.attributes().value(QLatin1String("name")).toString();
        elements << name;
        if (name == QLatin1String("widget")) {
            widgets << nameAttribute;
        } else if (name == QLatin1String("property") && parent == QLatin1String("widget")
            && nameAttribute == QLatin1String("text") && fields.contains(widgets.last())
            && xml.readNextStartElement() && xml.name() == QLatin1String("string")) {
            bool ok = false;
            *fields.value(widgets.last()) = xml.readElementText().toDouble(&ok);
            found += ok ? 1 : 0;
        }
    }
    return !xml.hasError() && found == fields.size();
}
