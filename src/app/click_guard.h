#pragma once
// Children double-click by habit. A newly shown screen or box must take neither a click whose
// press happened before it appeared nor the second click of a double click begun on the screen
// before it. The guard watches the presses reaching the program's windows; arm() is called
// each time a screen or box appears.

#include <QObject>
#include <QPointF>

class ClickGuard : public QObject
{
public:
    // Starts watching (once per application).
    static void install();
    // A new screen or box has just appeared.
    static void arm();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ClickGuard() = default;
    static ClickGuard* instance();

    bool buttonDown_ = false;     // a press was seen and its release not yet
    bool havePress_ = false;
    quint64 pressTime_ = 0;       // the last press (event time, ms)
    QPointF pressAt_;             // and where (global)
    bool armed_ = false;
    bool armedWithPress_ = false; // the press before the switch, for the double-click test
    quint64 armPressTime_ = 0;
    QPointF armPressAt_;
    bool dropRelease_ = false;    // the release of a press that belongs to the old screen
    bool dropping_ = false;       // the second click of a double click, until its release
};
