#include "applicationfont.h"

#include "mainwindowui.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

// The smallest font: 7 points on a screen of 96 dots per inch, 9⅓ pixels. The form is laid
// out in pixels, so on a denser screen the floor is the same number of pixels: 5.6 points
// at 120 dots per inch.
constexpr double kSmallestPointSize = 7;
constexpr double kReferenceDpi = 96;
constexpr double kSizeStep = 0.5; // points
constexpr int kLineEditMargin = 2; // pixels QLineEdit keeps beside its text, each side

const char *const kNarrowFamilies[]
    = {"DejaVu Sans Condensed", "Liberation Sans Narrow", "Nimbus Sans Narrow"};

// The widest text that each component field shows: a capacitor's value of six digits.
const QString &widestComponentText()
{
    static const QString text = QStringLiteral("Capacitor of 1234.56 pF");
    return text;
}

// The width a text needs in a widget's current font.
int widthOf(const QWidget *widget, const QString &text)
{
    return widget->fontMetrics().horizontalAdvance(text);
}

} // namespace

QStringList overflowingTexts(const QWidget *window)
{
    QStringList overflowing;
    const auto report = [&](const QWidget *widget, const QString &text) {
        overflowing.append(widget->objectName() + QStringLiteral(": ") + text);
    };
    for (const QLabel *label : window->findChildren<QLabel *>()) {
        // A label that wraps has room by its design, and a picture has no text.
        if (label->wordWrap() || label->text().isEmpty()) {
            continue;
        }
        if (label->sizeHint().width() > label->width()) {
            report(label, label->text());
        }
    }
    for (const QPushButton *button : window->findChildren<QPushButton *>()) {
        const int margins
            = 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button)
            + 2 * button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        if (widthOf(button, button->text()) + margins > button->width()) {
            report(button, button->text());
        }
    }
    for (const char *name : {"lineEditReactanceOne", "lineEditReactanceTwo"}) {
        const auto *field = window->findChild<QLineEdit *>(QLatin1String(name));
        if (!field) {
            continue;
        }
        const int frame = field->hasFrame()
            ? 2 * field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, field)
            : 0;
        const QMargins text = field->textMargins();
        if (widthOf(field, widestComponentText()) + 2 * kLineEditMargin + frame + text.left()
                + text.right()
            > field->width()) {
            report(field, widestComponentText());
        }
    }
    return overflowing;
}

QFont fittingApplicationFont(const QFont &base)
{
    QMainWindow probe;
    Ui::MainWindowUi form;
    form.setupUi(&probe);
    const QFont saved = QApplication::font();
    const auto fits = [&](const QFont &font) {
        QApplication::setFont(font);
        return overflowingTexts(&probe).isEmpty();
    };

    // The base family first, then the narrow ones that are installed, each at the base size
    // and then smaller.
    QList<QFont> families {base};
    for (const char *family : kNarrowFamilies) {
        QFont narrow = base;
        narrow.setFamily(QLatin1String(family));
        if (QFontInfo(narrow).family() == QLatin1String(family)) {
            families.append(narrow);
        }
    }
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen && screen->logicalDotsPerInchY() > 0 ? screen->logicalDotsPerInchY()
                                                                   : kReferenceDpi;
    const double smallest = kSmallestPointSize * kReferenceDpi / dpi;
    QFont chosen = base;
    bool found = false;
    const double largest = base.pointSizeF() > 0 ? base.pointSizeF() : 9;
    for (double size = largest; !found && size >= smallest - 1e-9; size -= kSizeStep) {
        for (QFont font : families) {
            font.setPointSizeF(size);
            if (fits(font)) {
                chosen = font;
                found = true;
                break;
            }
        }
    }
    if (!found) {
        // Nothing fits: the smallest of the narrowest family cuts the least.
        chosen = families.back();
        chosen.setPointSizeF(smallest);
    }
    QApplication::setFont(saved);
    return chosen;
}
