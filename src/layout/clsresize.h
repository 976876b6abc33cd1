// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fits one screen to the display: records the design geometry of the screen and of every
// control on it, sizes and centres the screen to a share of the display, and re-applies the
// recorded geometry scaled to the screen's current size on each resize. Always scaling from
// the recording means repeated resizes never drift.
//
// A control's dynamic property "tag" selects what is scaled: a tag beginning with "@" scales
// only the measures whose letters it holds (L left, T top, W width, H height; for a line the
// end points X1, Y1, X2, Y2); any other tag scales everything. Fonts scale with the control,
// by the smaller of the two factors, so words stay in proportion on large displays.
//
// The scaler is the one owner of every control's design rectangle. A control a screen moves at
// run time (a shuffled picture, a dealt card) is moved here, in design coordinates, and keeps
// its new place across resizes; one resize places every control once.
//
// The controls are the screen's child widgets (and other child objects, which have no
// geometry and are skipped) in creation order, and the children of any child widget whose
// dynamic property "container" is true, measured inside it.

#include <QFont>
#include <QPointer>
#include <QWidget>

#include <vector>

class clsResize
{
public:
    clsResize();
    ~clsResize();
    clsResize(const clsResize&) = delete;
    clsResize& operator=(const clsResize&) = delete;

    QWidget* SourceForm() const { return sourceForm_; }
    void setSourceForm(QWidget* form) { sourceForm_ = form; }

    // Records the geometry first if needed, then sizes the screen to percent of the display,
    // centres it and rescales its controls.
    void SizeFormToScreen(quint8 percent);
    // Rescales every recorded control to the screen's current size. False when nothing could
    // be done (not recorded yet, no controls, minimised, or a zero recorded size).
    bool ResizeControls();
    // Records the geometry again from the screen as it stands.
    void ReInitialise() { Initialise(); }

    // Moves a control to a place in design coordinates; it stays there across resizes. A
    // control made after the recording is taken in, its size read back to design units.
    void moveTo(QWidget* control, QPointF designTopLeft);
    // Puts a moved control back at its recorded design place.
    void restore(QWidget* control);
    // Where a control stands in design coordinates: where it was last moved, or its recorded
    // place; a control the scaler does not know is converted from its current geometry.
    QRectF designRect(const QWidget* control) const;
    // Conversions between the screen's design coordinates and its current ones.
    QPoint toWindow(QPointF designPoint) const;
    QRect toWindow(const QRectF& designRect) const;
    QPointF toDesign(QPointF windowPoint) const;

    int BaseWidth() const { return baseWidth_; }
    int BaseHeight() const { return baseHeight_; }
    bool NeedsInitialise() const { return needsInitialise_; }
    int controlCount() const { return int(Positions.size()); }

    // The size the screen is fitted to: its host window when it has one, else its display.
    static QSize displaySize(const QWidget* form);

private:
    struct ControlPosition
    {
        QPointer<QObject> control;
        bool line = false;
        bool geometric = false;
        int first = 0;  // Left or X1
        int second = 0; // Top or Y1
        int third = 0;  // Width or X2
        int fourth = 0; // Height or Y2
        QFont font;
        bool hasFont = false;
        bool moved = false;
        QPointF movedTo; // design top-left once moved
    };

    void Initialise();
    void collect(QObject* parent, bool topLevel);
    void place(const ControlPosition& entry, double horizontal, double vertical, double fontFactor);
    ControlPosition* find(const QObject* control);
    const ControlPosition* find(const QObject* control) const;
    // The current factors; 1 before the recording.
    double horizontal() const;
    double vertical() const;

    QPointer<QWidget> sourceForm_;
    int baseWidth_ = 0;
    int baseHeight_ = 0;
    std::vector<ControlPosition> Positions;
    bool needsInitialise_ = true;
};
