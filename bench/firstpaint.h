#ifndef FIRSTPAINT_H
#define FIRSTPAINT_H

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

// Quits the event loop once the watched widget has finished its first paint: the quit is
// queued when the paint event arrives, so it runs after the paint.
class QuitAfterFirstPaint : public QObject
{
public:
    explicit QuitAfterFirstPaint(QObject *watched)
    {
        if (watched) {
            watched->installEventFilter(this);
        }
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return false;
    }
};

#endif // FIRSTPAINT_H
